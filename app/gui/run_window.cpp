#include "app/gui/run_window.h"

#include <QApplication>

#include "app/app_paths.h"
#include "app/gui/main_window.h"
#include "app/gui/qt_shell_open.h"
#include "app/program_actions.h"
#include "platform/files.h"

namespace pindle {

int RunWindow(int argc, char** argv) {
  // Before the window shows, so that no click on a settings box can come before the paths.
  SetPaths(AppPaths::FromProgramDirectory(ProgramDirectory()));
  QApplication application(argc, argv);
  InstallShellOpenHandler();
  ProgramActions actions;
  MainWindow window(actions);
  window.show();
  actions.windowCreated(window.controls());
  return application.exec();
}

}  // namespace pindle
