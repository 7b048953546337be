#include "app/app_paths.h"

#include <mutex>

namespace pindle {
namespace {
std::mutex pathsMutex;
AppPaths currentPaths;
}  // namespace

AppPaths AppPaths::FromProgramDirectory(const Text& dir) {
  Text base = dir;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  return AppPaths{base + "/Setting.ini", base + "/Deploy/", base + "/Plug/"};
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
