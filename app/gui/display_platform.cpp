#include "app/gui/display_platform.h"

#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace pindle {
namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

bool PlatformRequested(int argc, char** argv) {
  if (Set("QT_QPA_PLATFORM")) return true;
  for (int i = 1; i < argc; ++i)
    if (std::strcmp(argv[i], "-platform") == 0 || std::strcmp(argv[i], "--platform") == 0 ||
        std::strncmp(argv[i], "-platform=", 10) == 0 || std::strncmp(argv[i], "--platform=", 11) == 0)
      return true;
  return false;
}

// The plug-ins to try in order; offscreen last, so that an unreachable display ends in an
// application we can recognise instead of the toolkit's abort. Empty: the toolkit's own choice.
std::string PlatformList(DisplayUse use) {
  const bool x11 = Set("DISPLAY"), wayland = Set("WAYLAND_DISPLAY");
  if (use == DisplayUse::Clipboard) {
    if (x11) return "xcb;offscreen";
    return "wayland;offscreen";
  }
  // With both, the toolkit weighs the desktop in its choice; leave it to it.
  if (wayland && x11) return {};
  return wayland ? "wayland;offscreen" : "xcb;offscreen";
}

// The toolkit reports each plug-in that could not start; the one line we print says it all.
QtMessageHandler previousHandler = nullptr;
void QuietDuringStart(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) return;
  if (previousHandler) {
    previousHandler(type, context, message);
  } else {
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  }
}

}  // namespace

bool WindowPositionKnown() { return QGuiApplication::platformName() != QLatin1String("wayland"); }

bool AlwaysOnTopPossible() { return QGuiApplication::platformName() != QLatin1String("wayland"); }

std::string NoDisplayForWindowMessage() {
  return "pindle: 没有可连接的图形显示（DISPLAY / WAYLAND_DISPLAY），窗口打不开；不用窗口请用命令行，见 pindle --help";
}

DisplayApplication StartOnDisplay(DisplayUse use, int argc, char** argv) {
  DisplayApplication result;
  const bool requested = PlatformRequested(argc, argv);
  if (!requested && !Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
    result.problem = use == DisplayUse::Window ? NoDisplayForWindowMessage()
                                               : "没有可连接的图形显示（DISPLAY / WAYLAND_DISPLAY），读写不了剪贴板";
    return result;
  }
  // The application keeps argc and argv for its lifetime.
  static int count = 0;
  static std::vector<std::string> words;
  static std::vector<char*> pointers;
  words.assign(argv, argv + argc);
  const std::string list = requested ? std::string() : PlatformList(use);
  if (!list.empty()) {
    words.insert(words.begin() + 1, {"-platform", list});
  }
  pointers.clear();
  for (auto& word : words) pointers.push_back(word.data());
  pointers.push_back(nullptr);
  count = static_cast<int>(words.size());

  previousHandler = qInstallMessageHandler(QuietDuringStart);
  if (use == DisplayUse::Window) {
    result.application = std::make_unique<QApplication>(count, pointers.data());
  } else {
    result.application = std::make_unique<QGuiApplication>(count, pointers.data());
  }
  qInstallMessageHandler(previousHandler);
  if (!list.empty() && QGuiApplication::platformName() == QLatin1String("offscreen")) {
    result.application.reset();
    result.problem = use == DisplayUse::Window ? NoDisplayForWindowMessage()
                                               : "连接不上图形显示（DISPLAY / WAYLAND_DISPLAY），读写不了剪贴板";
  }
  return result;
}

}  // namespace pindle
