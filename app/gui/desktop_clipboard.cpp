#include "app/gui/desktop_clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "app/gui/clipboard_keeper.h"
#include "app/gui/text_convert.h"
#include "app/gui/wayland_clipboard.h"

namespace pindle {
namespace {

Text& LastText() {
  static Text text;
  return text;
}

bool ToolkitReachesClipboardNow() {
  // A Wayland window sees the clipboard only while it has the keyboard focus.
  return QGuiApplication::platformName() != QLatin1String("wayland") || QGuiApplication::focusWindow() != nullptr;
}

}  // namespace

void PutOnClipboard(const Text& text) {
  LastText() = text;
  if (DataControlClipboardUsable() && StartClipboardKeeper(text)) return;
  QGuiApplication::clipboard()->setText(ToQt(text));
}

std::optional<Text> ReadClipboard(Text& problem) {
  if (DataControlClipboardUsable()) return ReadThroughDataControl(problem);
  if (!ToolkitReachesClipboardNow()) {
    problem = NoDataControlReason();
    return std::nullopt;
  }
  return FromQt(QGuiApplication::clipboard()->text());
}

Text LastTextPutOnClipboard() { return LastText(); }

}  // namespace pindle
