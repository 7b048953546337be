#include "tests/support/sway_session.h"

#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/process.h"
#include "tests/support/xvfb_display.h"

namespace pindle::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

SwaySession::SwaySession() {
  if (!ProgramInstalled("sway")) {
    problem_ = "sway is not installed";
    return;
  }
  uid_ = getuid();
  gid_ = getgid();
  if (uid_ == 0) {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr || !ProgramInstalled("setpriv")) {
      problem_ = "running as root without the user nobody or setpriv";
      return;
    }
    uid_ = nobody->pw_uid;
    gid_ = nobody->pw_gid;
    switchUser_ = true;
  }
  handOver(dir_.path());
  dir_.write("config", "output HEADLESS-1 resolution 1024x768\nxwayland disable\n");
  handOver(dir_.file("config"));
  auto env = environment();
  env.erase("WAYLAND_DISPLAY");
  env["WLR_BACKENDS"] = "headless";
  env["WLR_LIBINPUT_NO_DEVICES"] = "1";
  env["WLR_RENDERER"] = "pixman";
  pid_ = StartProcess(command({"/usr/bin/sway", "-c", dir_.file("config")}), env);
  for (int i = 0; i < 200 && display_.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path(), ignored)) {
      const std::string name = entry.path().filename().string();
      if (name.starts_with("wayland-") && !name.ends_with(".lock") && entry.is_socket()) display_ = name;
    }
    if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = 0;
      break;
    }
  }
  if (display_.empty()) problem_ = "sway did not start";
}

SwaySession::~SwaySession() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  // Programs of the session that outlived it (a test that failed) go with it.
  for (int round = 0; round < 2; ++round) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
      const std::string pid = entry.path().filename().string();
      if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
      const std::string environ = ReadFile(entry.path().string() + "/environ");
      if (environ.find("XDG_RUNTIME_DIR=" + dir_.path() + '\0') != std::string::npos) kill(std::stoi(pid), SIGKILL);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

void SwaySession::handOver(const std::string& path) const {
  if (switchUser_ && chown(path.c_str(), uid_, gid_) != 0) {
    // The test fails later, where the user cannot reach the file.
  }
}

std::map<std::string, std::string> SwaySession::environment() const {
  std::map<std::string, std::string> env{
      {"PATH", "/usr/bin:/bin"}, {"HOME", dir_.path()}, {"XDG_RUNTIME_DIR", dir_.path()}, {"LANG", "C.UTF-8"}};
  if (!display_.empty()) env["WAYLAND_DISPLAY"] = display_;
  return env;
}

std::vector<std::string> SwaySession::command(const std::vector<std::string>& argv) const {
  if (!switchUser_) return argv;
  std::vector<std::string> full{"/usr/bin/setpriv", "--reuid=" + std::to_string(uid_),
                                "--regid=" + std::to_string(gid_), "--clear-groups", "--"};
  full.insert(full.end(), argv.begin(), argv.end());
  return full;
}

std::vector<std::string> SwaySession::sessionProcesses() const {
  std::vector<std::string> found;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator("/proc", ignored)) {
    const std::string pid = entry.path().filename().string();
    if (pid.find_first_not_of("0123456789") != std::string::npos || std::stoi(pid) == pid_) continue;
    const std::string environ = ReadFile(entry.path().string() + "/environ");
    if (environ.find("XDG_RUNTIME_DIR=" + dir_.path() + '\0') == std::string::npos) continue;
    std::string line = ReadFile(entry.path().string() + "/cmdline");
    for (char& c : line)
      if (c == '\0') c = ' ';
    // A zombie has no command line any more; it is gone but for its parent's wait.
    if (!line.empty()) found.push_back(line);
  }
  return found;
}

}  // namespace pindle::test
