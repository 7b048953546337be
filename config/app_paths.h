#pragma once
#include "platform/types.h"

namespace pindle {

// The program's three paths. A portable program keeps everything beside itself; an installed
// one keeps its settings and plug-ins in the user's XDG folders.
struct AppPaths {
  Text settingsFile;  // <dir>/Setting.ini
  Text deployDir;     // <dir>/Deploy/
  Text plugDir;       // <dir>/Plug/

  static AppPaths FromProgramDirectory(const Text& dir);
};

// The parts of the environment the installed layout reads; empty means unset.
struct UserFolders {
  Text home;
  Text configHome;  // XDG_CONFIG_HOME
  Text dataHome;    // XDG_DATA_HOME
  static UserFolders FromEnvironment();
};

// Where the files of a program in `programDir` live, and where its starter plug-ins are.
struct PathLayout {
  bool portable = true;
  AppPaths paths;
  Text starterPlugDir;  // empty when portable
};

// The one decision between the two layouts. Portable when the program's folder holds a
// Setting.ini or a Plug folder, or when there is no ../share/pindle/ beside it (a build tree,
// a copied binary); installed otherwise.
PathLayout ChoosePathLayout(const Text& programDir, const UserFolders& user);

// The layout of the running program. An installed program's first start gets a Plug folder
// holding a copy of the starter plug-ins, and a Setting.ini (when it has none yet) whose
// "自动加载" is on, so its first window opens with them listed; a portable one creates nothing.
PathLayout PrepareProgramPaths();
PathLayout PrepareProgramPaths(const Text& programDir, const UserFolders& user);

// Creates `plugDir` filled with the *.json files of `starterDir`, all at once: another start
// racing this one, or a crash, leaves either no folder or a complete one.
bool SeedPlugins(const Text& starterDir, const Text& plugDir);

// The process-wide paths: set once at start (tests set their own), read everywhere else.
AppPaths Paths();
void SetPaths(const AppPaths& paths);

}  // namespace pindle
