#include "app/gui/run_window.h"

#include <QApplication>
#include <QLabel>

namespace pindle {
int RunWindow(int argc, char** argv) {
  QApplication app(argc, argv);
  QLabel label("Pindle v2.4.4.1");
  label.show();
  return app.exec();
}
}  // namespace pindle
