#include "app/gui/run_window.h"

#include <QApplication>
#include <QIcon>
#include <iostream>

#include "app/gui/actions/program_actions.h"
#include "app/gui/color_scheme.h"
#include "app/gui/desktop_integration.h"
#include "app/gui/display_platform.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_shell_open.h"
#include "app/gui/toolkit_translations.h"
#include "app/gui/window_placement.h"
#include "app/instance_channel.h"
#include "app/window_arguments.h"
#include "config/app_paths.h"
#include "platform/files.h"

namespace pindle {

int RunWindow(int argc, char** argv) {
  // Before the window shows, so that no click on a settings box can come before the paths.
  SetPaths(PrepareProgramPaths().paths);
  const std::vector<Text> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  // One window per settings file: a window running on them takes the arguments and comes to
  // the front, and this start is done.
  const Text socket = InstanceSocketPath(Paths().settingsFile);
  if (OpenInRunningWindow(socket, arguments)) return 0;
  DisplayApplication display = StartOnDisplay(DisplayUse::Window, argc, argv);
  if (!display.application) {
    std::cerr << display.problem << "\n";
    return kNoDisplayExitCode;
  }
  // Ties the window to its menu entry and icon on desktops that match them by name.
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.pindle.Pindle"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.pindle.Pindle")));
  InstallShellOpenHandler();
  InstallToolkitTranslations();
  ProgramActions actions;
  MainWindow window(actions);
  DesktopIntegration desktop(window, window.controls(), socket, actions.workers());
  ColorScheme colors(&window);
  RestoreWindowPlacement(window);
  window.show();
  if (const std::optional<Text> urls = LongUrlBoxText(arguments)) window.controls().longUrlBox().setText(*urls);
  actions.windowCreated(window.controls());
  return QApplication::exec();
}

}  // namespace pindle
