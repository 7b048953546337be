#include "app/gui/wayland_clipboard.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wayland-client.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/child_process.h"

namespace pindle {
namespace {

constexpr const char* kDataControlInterface = "zwlr_data_control_manager_v1";
constexpr const char* kTextType = "text/plain;charset=utf-8";
constexpr int kServeWaitMs = 3000;

// The protocol's own listing of the compositor's globals: no library lists them for us without
// a window, and Qt's Wayland plug-in needs one.
bool CompositorOffers(const char* interface) {
  wl_display* display = wl_display_connect(nullptr);
  if (display == nullptr) return false;
  struct Search {
    const char* wanted;
    bool found = false;
  } search{interface};
  static const wl_registry_listener listener = {[](void* data, wl_registry*, uint32_t, const char* name, uint32_t) {
                                                  auto* s = static_cast<Search*>(data);
                                                  if (std::strcmp(name, s->wanted) == 0) s->found = true;
                                                },
                                                [](void*, wl_registry*, uint32_t) {}};
  wl_registry* registry = wl_display_get_registry(display);
  wl_registry_add_listener(registry, &listener, &search);
  wl_display_roundtrip(display);
  wl_registry_destroy(registry);
  wl_display_disconnect(display);
  return search.found;
}

bool ServesText(const Text& text) {
  const ChildOutcome paste = RunChild({"wl-paste", "--no-newline", "--type", kTextType}, {}, 2000);
  return paste.exitCode == 0 && paste.out == text;
}

}  // namespace

bool InWaylandSession() {
  const char* display = std::getenv("WAYLAND_DISPLAY");
  return display != nullptr && *display != '\0';
}

bool DataControlClipboardUsable() {
  static const bool usable = InWaylandSession() && ProgramOnPath("wl-copy") && ProgramOnPath("wl-paste") &&
                             CompositorOffers(kDataControlInterface);
  return usable;
}

Text NoDataControlReason() {
  if (InWaylandSession() && !(ProgramOnPath("wl-copy") && ProgramOnPath("wl-paste")))
    return "Wayland 下后台读写剪贴板要用 wl-clipboard（wl-copy、wl-paste），请安装它";
  return "这个 Wayland 桌面不让没有窗口的程序读写剪贴板（混成器不提供 data-control）";
}

std::optional<Text> ReadThroughDataControl(Text& problem) {
  const ChildOutcome paste = RunChild({"wl-paste", "--no-newline", "--type", "text"}, {}, 3000);
  if (!paste.started || paste.timedOut) {
    problem = paste.started ? "wl-paste 没有应答" : "wl-paste 启动不了";
    return std::nullopt;
  }
  // A clipboard without text (empty, or an image) reads as no text.
  return paste.exitCode == 0 ? paste.out : Text();
}

bool KeepThroughDataControl(const Text& text, Text& problem) {
  const pid_t copy = StartChild({"wl-copy", "--foreground", "--type", kTextType}, text);
  if (copy == 0) {
    problem = "wl-copy 启动不了";
    return false;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kServeWaitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(copy, &status, WNOHANG) == copy) {
      problem = "wl-copy 没能拿到剪贴板";
      return false;
    }
    if (ServesText(text)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Never left behind holding nothing.
  kill(copy, SIGTERM);
  waitpid(copy, nullptr, 0);
  problem = "wl-copy 没能拿到剪贴板";
  return false;
}

}  // namespace pindle
