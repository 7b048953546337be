#pragma once
#include <map>
#include <string>
#include <vector>

#include "tests/support/loopback_shortener.h"

namespace pindle::test {

// The program copied into a folder of the test's (portable, so Setting.ini, Plug/ and the
// history live there), with one enabled plug-in "回环" that shortens through a loopback service:
// the n-th request gets service.shortFor(n).
class DesktopProgram {
 public:
  // `settings`: lines of section "软件设定" ("托盘图标=真", …).
  DesktopProgram(const std::string& folder, const std::vector<std::string>& settings = {});
  const std::string& path() const { return program_; }
  const std::string& folder() const { return folder_; }
  LoopbackShortener& service() { return service_; }
  // The program with these arguments.
  std::vector<std::string> command(const std::vector<std::string>& args = {}) const;
  // Setting.ini as UTF-8.
  std::string settingsText() const;

 private:
  std::string folder_, program_;
  LoopbackShortener service_;
};

// The long address tests copy: http(s), on loopback, longer than 40 characters.
inline constexpr const char* kLongAddress = "http://127.0.0.1:9/a/rather/long/path/to/be/shortened?id=1";

// The environment of a program on an X display with a session bus (empty: none).
std::map<std::string, std::string> X11Environment(const std::string& display, const std::string& bus,
                                                  const std::string& home);

// The X clipboard as xclip reads it; empty when it holds nothing.
std::string XClipboard(const std::string& display);
// Puts text on the X clipboard with xclip, which serves it in the background.
void SetXClipboard(const std::string& display, const std::string& text);

// The pids of running keepers (this program in its background clipboard mode) on the display
// given by `variable` ("DISPLAY=:5", "XDG_RUNTIME_DIR=/tmp/…").
std::vector<int> KeeperProcesses(const std::string& variable);

}  // namespace pindle::test
