#include "tests/support/dbus_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/xvfb_display.h"

extern char** environ;

namespace pindle::test {

DbusSession::DbusSession() {
  if (!ProgramInstalled("dbus-daemon")) return;
  dir_.write("bus.conf",
             "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
             "<busconfig>\n"
             "  <type>session</type>\n"
             "  <listen>unix:dir=" +
                 dir_.path() +
                 "</listen>\n"
                 "  <auth>EXTERNAL</auth>\n"
                 "  <policy context=\"default\">\n"
                 "    <allow user=\"*\"/>\n"
                 "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                 "    <allow eavesdrop=\"true\"/>\n"
                 "    <allow own=\"*\"/>\n"
                 "  </policy>\n"
                 "</busconfig>\n");
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ready[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::string args[] = {"dbus-daemon", "--nofork", "--nopidfile", "--print-address=1",
                        "--config-file=" + dir_.file("bus.conf")};
  char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(), nullptr};
  const bool started = posix_spawnp(&pid_, "dbus-daemon", &actions, nullptr, argv, environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  if (!started) {
    close(ready[0]);
    pid_ = 0;
    return;
  }
  std::string line;
  pollfd wait{ready[0], POLLIN, 0};
  char c = 0;
  while (poll(&wait, 1, 10000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n') line.push_back(c);
  close(ready[0]);
  if (c == '\n') address_ = line;
}

DbusSession::~DbusSession() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  waitpid(pid_, nullptr, 0);
}

}  // namespace pindle::test
