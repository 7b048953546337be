#include "tests/support/xvfb_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace pindle::test {

bool ProgramInstalled(const std::string& name) {
  return access(("/usr/bin/" + name).c_str(), X_OK) == 0 || access(("/bin/" + name).c_str(), X_OK) == 0;
}

XvfbDisplay::XvfbDisplay() {
  if (!ProgramInstalled("Xvfb")) return;
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
  // -displayfd: the server picks a free number and writes it once it accepts clients.
  std::string args[] = {"Xvfb", "-displayfd", "3", "-screen", "0", "640x480x24", "-nolisten", "tcp"};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(),
                  args[5].data(), args[6].data(), args[7].data(), nullptr};
  const bool started = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, argv, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (!started) {
    close(ready[0]);
    pid_ = 0;
    return;
  }
  std::string number;
  pollfd wait{ready[0], POLLIN, 0};
  char c = 0;
  while (poll(&wait, 1, 20000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') number.push_back(c);
  close(ready[0]);
  if (!number.empty() && c == '\n') name_ = ":" + number;
}

XvfbDisplay::~XvfbDisplay() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace pindle::test
