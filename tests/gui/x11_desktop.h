#pragma once
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/gui/desktop_program.h"
#include "tests/support/dbus_session.h"
#include "tests/support/line_process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb_display.h"

namespace pindle::test {

// An X11 desktop of the test's own: Xvfb, a session bus with the desktop services asked for
// (desktop_bus_services switches), and the program's window started on them from a folder of
// its own.
class X11Desktop {
 public:
  X11Desktop(const std::vector<std::string>& services, const std::vector<std::string>& settings);
  ~X11Desktop();
  // Empty when everything runs; else what is missing.
  const std::string& problem() const { return problem_; }
  DesktopProgram& program() { return *program_; }
  LineProcess& services() { return *services_; }
  const std::string& display() const { return x_.name(); }
  std::map<std::string, std::string> environment() const;
  // Starts the window and returns once it listens for later starts.
  bool startWindow();
  pid_t window() const { return window_; }
  // The window's exit code once it ended within `ms`; nothing while it runs.
  std::optional<int> windowExit(int ms);
  // Whether the program's window is mapped on the display.
  bool windowShown() const;
  // Asks the window to close, as a window manager's close button does (WM_DELETE_WINDOW).
  void closeWindow() const;

 private:
  XvfbDisplay x_;
  DbusSession bus_;
  TempDir dir_;
  std::unique_ptr<DesktopProgram> program_;
  std::unique_ptr<LineProcess> services_;
  pid_t window_ = 0;
  std::optional<int> exit_;
  std::string problem_;
};

}  // namespace pindle::test
