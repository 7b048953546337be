#pragma once
#include <memory>
#include <string>
#include <vector>

class QGuiApplication;

namespace pindle {

// What the application is for: the window follows the toolkit's usual choice of display; the
// clipboard prefers X11 where it can, since an X client may read and set the clipboard without
// a window of its own, which Wayland does not allow.
enum class DisplayUse { Window, Clipboard };

// The application of this process on a display that can be reached, or the reason there is
// none (instead of the toolkit's abort). `Window` makes a QApplication, `Clipboard` a
// QGuiApplication. argv holds the program's arguments; the toolkit takes its own options from
// it. An explicitly requested platform (QT_QPA_PLATFORM, -platform) is always used as given.
struct DisplayApplication {
  std::unique_ptr<QGuiApplication> application;  // null when no display was reached
  std::string problem;                           // why not, in one line
};
DisplayApplication StartOnDisplay(DisplayUse use, int argc, char** argv);

// What the platform lets a program do with its own window: Wayland compositors neither tell a
// window where it stands nor let it keep itself above the others.
bool WindowPositionKnown();
bool AlwaysOnTopPossible();

// The line printed when the window cannot open for want of a display.
std::string NoDisplayForWindowMessage();

}  // namespace pindle
