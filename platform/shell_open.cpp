#include "platform/shell_open.h"

#include <spawn.h>
#include <sys/wait.h>

#include <mutex>
#include <thread>

extern char** environ;

namespace pindle {
namespace {

std::mutex& handlerMutex() {
  static std::mutex m;
  return m;
}
std::function<bool(const Text&)>& handler() {
  static std::function<bool(const Text&)> h;
  return h;
}

bool openWithXdg(const Text& target) {
  if (target.empty()) return false;
  pid_t pid = 0;
  // Argument vector, not a shell command line: the target is never interpreted by a shell.
  char* argv[] = {const_cast<char*>("xdg-open"), const_cast<char*>(target.c_str()), nullptr};
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  // xdg-open hands over to the browser and returns; reap it so no zombie stays behind. The reaper
  // stays detached on purpose: it holds only the pid, so the process may end under it at any time.
  std::thread([pid] {
    int status = 0;
    waitpid(pid, &status, 0);
  }).detach();
  return true;
}

}  // namespace

bool ShellOpen(const Text& target) {
  std::function<bool(const Text&)> h;
  {
    std::lock_guard lock(handlerMutex());
    h = handler();
  }
  return h ? h(target) : openWithXdg(target);
}

void SetShellOpenHandler(std::function<bool(const Text&)> h) {
  std::lock_guard lock(handlerMutex());
  handler() = std::move(h);
}

}  // namespace pindle
