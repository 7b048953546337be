#include "config/app_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "config/settings.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/ini_profile.h"

namespace pindle {
namespace {
std::mutex pathsMutex;
AppPaths currentPaths;

Text WithoutTrailingSlash(Text path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

Text Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? Text(value) : Text();
}

// An XDG base folder: the variable when it holds an absolute path, else the default under home
// (relative values are to be ignored, as the base-directory rules say).
Text XdgFolder(const Text& value, const Text& home, const char* fallback) {
  if (!value.empty() && value.front() == '/') return WithoutTrailingSlash(value);
  return WithoutTrailingSlash(home) + fallback;
}
}  // namespace

AppPaths AppPaths::FromProgramDirectory(const Text& dir) {
  const Text base = WithoutTrailingSlash(dir);
  return AppPaths{base + "/Setting.ini", base + "/Deploy/", base + "/Plug/"};
}

UserFolders UserFolders::FromEnvironment() {
  UserFolders user{Environment("HOME"), Environment("XDG_CONFIG_HOME"), Environment("XDG_DATA_HOME")};
  if (user.home.empty()) {
    // Services and sudo may run without HOME; the password database still knows it.
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) user.home = entry->pw_dir;
  }
  return user;
}

PathLayout ChoosePathLayout(const Text& programDir, const UserFolders& user) {
  const Text dir = WithoutTrailingSlash(programDir);
  const Text shared = dir + "/../share/pindle";
  PathLayout layout;
  layout.paths = AppPaths::FromProgramDirectory(dir);
  if (FileExists(dir + "/Setting.ini") || DirectoryExists(dir + "/Plug") || !DirectoryExists(shared)) return layout;
  layout.portable = false;
  const Text config = XdgFolder(user.configHome, user.home, "/.config") + "/pindle";
  const Text data = XdgFolder(user.dataHome, user.home, "/.local/share") + "/pindle";
  layout.paths = AppPaths{config + "/Setting.ini", data + "/Deploy/", data + "/Plug/"};
  layout.starterPlugDir = shared + "/Plug/";
  return layout;
}

bool SeedPlugins(const Text& starterDir, const Text& plugDir) {
  namespace fs = std::filesystem;
  const Text target = WithoutTrailingSlash(plugDir);
  const auto slash = target.rfind('/');
  if (slash == Text::npos || !MakeDirectories(target.substr(0, slash))) return false;
  const Text staging = target + ".new" + std::to_string(::getpid());
  std::error_code ignored;
  fs::remove_all(staging, ignored);
  if (!MakeDirectories(staging)) return false;
  bool ok = true;
  for (const Text& name : ListFileNames(starterDir, ".json")) {
    const auto content = ReadWholeFile(WithoutTrailingSlash(starterDir) + "/" + name);
    ok = ok && content && WriteFileAtomically(staging + "/" + name, *content);
  }
  // The rename publishes the whole folder at once; it fails when another start was quicker.
  if (ok && ::rename(staging.c_str(), target.c_str()) == 0) return true;
  fs::remove_all(staging, ignored);
  return DirectoryExists(target);
}

PathLayout PrepareProgramPaths() { return PrepareProgramPaths(ProgramDirectory(), UserFolders::FromEnvironment()); }

PathLayout PrepareProgramPaths(const Text& programDir, const UserFolders& user) {
  PathLayout layout = ChoosePathLayout(programDir, user);
  if (layout.portable) return layout;
  if (!DirectoryExists(layout.paths.plugDir)) SeedPlugins(layout.starterPlugDir, layout.paths.plugDir);
  // Written as the program writes any switch, so a file shared with Windows stays alike; an
  // existing file (the user's own choice) is never touched.
  if (!FileExists(layout.paths.settingsFile)) {
    const Text folder = layout.paths.settingsFile.substr(0, layout.paths.settingsFile.rfind('/'));
    if (MakeDirectories(folder))
      WriteProfileString(layout.paths.settingsFile, Utf8ToGbk(kSoftwareSection), Utf8ToGbk(kAutoLoadKey),
                         Utf8ToGbk(kOn));
  }
  return layout;
}

AppPaths Paths() {
  std::lock_guard lock(pathsMutex);
  return currentPaths;
}

void SetPaths(const AppPaths& paths) {
  std::lock_guard lock(pathsMutex);
  currentPaths = paths;
}

}  // namespace pindle
