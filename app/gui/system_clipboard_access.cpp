#include "app/gui/system_clipboard_access.h"

#include <QClipboard>
#include <QGuiApplication>
#include <cstdlib>

#include "app/gui/clipboard_keeper.h"
#include "app/gui/display_platform.h"
#include "app/gui/text_convert.h"
#include "app/gui/wayland_clipboard.h"

namespace pindle {
namespace {

bool XDisplaySet() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

}  // namespace

std::optional<Text> ReadSystemClipboard(char* programName, Text& problem) {
  if (DataControlClipboardUsable()) return ReadThroughDataControl(problem);
  // Without data-control a Wayland session leaves only its X bridge, where there is one.
  if (InWaylandSession() && !XDisplaySet()) {
    problem = NoDataControlReason();
    return std::nullopt;
  }
  // Kept to the end of the process and never destroyed: at static destruction the toolkit is
  // partly gone already.
  static DisplayApplication* display = nullptr;
  if (display == nullptr || !display->application) {
    static char* argv[] = {programName, nullptr};
    display = new DisplayApplication(StartOnDisplay(DisplayUse::Clipboard, 1, argv));
  }
  if (!display->application) {
    problem = display->problem;
    return std::nullopt;
  }
  return FromQt(QGuiApplication::clipboard()->text());
}

bool KeepOnSystemClipboard(const Text& text, Text& problem) {
  if (StartClipboardKeeper(text)) return true;
  problem = InWaylandSession() && !DataControlClipboardUsable()
                ? NoDataControlReason()
                : Text("没有程序能接手剪贴板（图形显示连不上，或不允许后台程序设置剪贴板）");
  return false;
}

}  // namespace pindle
