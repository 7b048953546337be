#pragma once
#include "platform/types.h"

namespace pindle {

// The program's three paths, built from the directory that holds the executable.
struct AppPaths {
  Text settingsFile;  // <dir>/Setting.ini
  Text deployDir;     // <dir>/Deploy/
  Text plugDir;       // <dir>/Plug/

  static AppPaths FromProgramDirectory(const Text& dir);
};

// The process-wide paths: set once at start (tests set their own), read everywhere else.
AppPaths Paths();
void SetPaths(const AppPaths& paths);

}  // namespace pindle
