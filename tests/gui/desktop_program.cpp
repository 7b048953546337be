#include "tests/gui/desktop_program.h"

#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/gui/clipboard_keeper.h"
#include "platform/codepage.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"

namespace pindle::test {
namespace {

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

DesktopProgram::DesktopProgram(const std::string& folder, const std::vector<std::string>& settings)
    : folder_(folder), program_(folder + "/pindle") {
  test::CopyProgram(PINDLE_BINARY, program_);
  std::filesystem::create_directories(folder + "/Plug");
  const std::string plugin =
      "{\"Name\":\"回环\",\"Version\":\"1\",\"Author\":\"t\",\"Updated\":\"2024-01-01\","
      "\"Deploy\":\"false\",\"UpdateURL\":\"\",\"API\":{\"Type\":\"GET\",\"API Path\":\"" +
      service_.base() +
      "/create.php?format=simple&\",\"Data\":\"url=$Url$\",\"Headers\":\"\"},"
      "\"Response\":{\"Type\":\"0\",\"Parameter\":\"\",\"Prefix\":\"\"}}";
  Write(folder + "/Plug/loopback.json", plugin);
  std::string ini = "[软件设定]\r\n自动加载=真\r\n";
  for (const std::string& line : settings) ini += line + "\r\n";
  Write(folder + "/Setting.ini", Utf8ToGbk(ini));
}

std::vector<std::string> DesktopProgram::command(const std::vector<std::string>& args) const {
  std::vector<std::string> argv{program_};
  argv.insert(argv.end(), args.begin(), args.end());
  return argv;
}

std::string DesktopProgram::settingsText() const { return GbkToUtf8Text(Read(folder_ + "/Setting.ini")); }

std::map<std::string, std::string> X11Environment(const std::string& display, const std::string& bus,
                                                  const std::string& home) {
  std::map<std::string, std::string> env{{"PATH", "/usr/bin:/bin"},
                                         {"HOME", home},
                                         {"DISPLAY", display},
                                         {"LANG", "C.UTF-8"},
                                         {"PINDLE_UPDATE_URL", "http://127.0.0.1:9/raw/master/Update.json"},
                                         {"PINDLE_PLUGLIST_URL", "http://127.0.0.1:9/raw/master/PlugList.json"}};
  if (!bus.empty()) env["DBUS_SESSION_BUS_ADDRESS"] = bus;
  return env;
}

std::string XClipboard(const std::string& display) {
  // Asked in loops: a reader a moment, not hundreds a second.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return RunProcess({"/usr/bin/xclip", "-selection", "clipboard", "-o"}, {{"DISPLAY", display}}, "", 5000).out;
}

void SetXClipboard(const std::string& display, const std::string& text) {
  // xclip reads the file, forks a server of its own and returns; the server keeps no pipe of
  // ours open.
  char name[] = "/tmp/pindle-xclip-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return;
  close(fd);
  Write(name, text);
  WaitProcess(StartProcess({"/usr/bin/xclip", "-selection", "clipboard", "-i", name}, {{"DISPLAY", display}}));
  unlink(name);
  // xclip may return before its server owns the selection; a program asked right away would
  // still find the old content.
  for (int tries = 0; tries < 100 && XClipboard(display) != text; ++tries) {
  }
}

std::vector<int> KeeperProcesses(const std::string& variable) {
  std::vector<int> found;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string line = Read(entry.path().string() + "/cmdline");
    if (line.find(kClipboardKeeperArgument) == std::string::npos) continue;
    if (Read(entry.path().string() + "/environ").find(variable + '\0') == std::string::npos) continue;
    found.push_back(std::stoi(pid));
  }
  return found;
}

}  // namespace pindle::test
