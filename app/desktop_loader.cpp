#include "app/desktop_loader.h"

#include <dlfcn.h>

#include <mutex>
#include <vector>

#include "config/version.h"
#include "platform/files.h"

namespace pindle {
namespace {

struct Loaded {
  const DesktopDoor* door = nullptr;
  Text problem;
};

// Where the module is looked for, in order, for a program in `programDirectory` (ending in /).
std::vector<Text> DesktopModuleCandidates(const Text& programDirectory) {
  std::vector<Text> candidates{programDirectory + kDesktopModuleName,
                               programDirectory + PINDLE_DESKTOP_MODULE_FROM_BIN "/" + kDesktopModuleName};
  const Text installed = PINDLE_DESKTOP_MODULE_INSTALLED "/" + Text(kDesktopModuleName);
  if (installed != candidates.back()) candidates.push_back(installed);
  return candidates;
}

Loaded Load() {
  for (const Text& file : DesktopModuleCandidates(ProgramDirectory() + "/")) {
    if (!FileExists(file)) continue;
    // Local: its copy of the core stays its own and never stands in for the program's.
    void* module = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) return {nullptr, "无法载入桌面组件：" + Text(dlerror())};
    using Entry = const DesktopDoor* (*)();
    const auto entry = reinterpret_cast<Entry>(dlsym(module, kDesktopDoorSymbol));
    const DesktopDoor* door = entry ? entry() : nullptr;
    if (!door || Text(door->version) != kProgramVersion) return {nullptr, "桌面组件 " + file + " 与本程序不是同一版本"};
    return {door, ""};
  }
  return {nullptr, "找不到桌面组件 " + Text(kDesktopModuleName) + "（窗口、剪贴板、通知与密钥服务需要它）"};
}

}  // namespace

const DesktopDoor* LoadDesktopDoor(Text& problem) {
  static std::once_flag once;
  static Loaded loaded;
  std::call_once(once, [] { loaded = Load(); });
  if (!loaded.door) problem = loaded.problem;
  return loaded.door;
}

}  // namespace pindle
