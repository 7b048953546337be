#include "app/gui/run_window.h"

#include <QApplication>
#include <QIcon>

#include "app/app_paths.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_shell_open.h"
#include "app/gui/window_placement.h"
#include "app/program_actions.h"

namespace pindle {

int RunWindow(int argc, char** argv) {
  // Before the window shows, so that no click on a settings box can come before the paths.
  SetPaths(PrepareProgramPaths().paths);
  QApplication application(argc, argv);
  // Ties the window to its menu entry and icon on desktops that match them by name.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.pindle.Pindle"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.pindle.Pindle")));
  InstallShellOpenHandler();
  ProgramActions actions;
  MainWindow window(actions);
  RestoreWindowPlacement(window);
  window.show();
  actions.windowCreated(window.controls());
  return application.exec();
}

}  // namespace pindle
