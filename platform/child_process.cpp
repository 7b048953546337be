#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

extern char** environ;

namespace pindle {
namespace {

std::vector<char*> Pointers(std::vector<std::string>& words) {
  std::vector<char*> out;
  for (auto& word : words) out.push_back(word.data());
  out.push_back(nullptr);
  return out;
}

// Spawns with standard input from `in` and standard output to `out` (-1: /dev/null).
pid_t Spawn(const std::vector<std::string>& argv, int in, int out, bool ownSession) {
  if (argv.empty()) return 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (in >= 0) posix_spawn_file_actions_adddup2(&actions, in, STDIN_FILENO);
  if (out >= 0) {
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  }
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // The child starts with default signal handling, whatever this process ignores.
  sigset_t all;
  sigfillset(&all);
  posix_spawnattr_setsigdefault(&attributes, &all);
  short flags = POSIX_SPAWN_SETSIGDEF;
  if (ownSession) flags |= POSIX_SPAWN_SETSID;
  posix_spawnattr_setflags(&attributes, flags);
  std::vector<std::string> words = argv;
  auto pointers = Pointers(words);
  pid_t pid = 0;
  const bool started = posix_spawnp(&pid, words[0].c_str(), &actions, &attributes, pointers.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  return started ? pid : 0;
}

bool WriteAll(int fd, const Bytes& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// SIGPIPE off while writing to a child that may not read everything.
struct NoBrokenPipeSignal {
  struct sigaction previous {};
  NoBrokenPipeSignal() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
  }
  ~NoBrokenPipeSignal() { sigaction(SIGPIPE, &previous, nullptr); }
};

}  // namespace

ChildOutcome RunChild(const std::vector<std::string>& argv, const Bytes& input, int timeoutMs) {
  ChildOutcome outcome;
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0) return outcome;
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in[0]);
    close(in[1]);
    return outcome;
  }
  const pid_t pid = Spawn(argv, in[0], out[1], false);
  close(in[0]);
  close(out[1]);
  if (pid == 0) {
    close(in[1]);
    close(out[0]);
    return outcome;
  }
  outcome.started = true;
  {
    const NoBrokenPipeSignal quiet;
    WriteAll(in[1], input);
  }
  close(in[1]);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) {
      outcome.timedOut = true;
      kill(pid, SIGKILL);
      break;
    }
    pollfd wait{out[0], POLLIN, 0};
    const int ready = poll(&wait, 1, static_cast<int>(left));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) continue;
    char buffer[65536];
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    outcome.out.append(buffer, static_cast<size_t>(n));
  }
  close(out[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!outcome.timedOut && WIFEXITED(status)) outcome.exitCode = WEXITSTATUS(status);
  return outcome;
}

pid_t StartChild(const std::vector<std::string>& argv, const Bytes& input) {
  int in[2];
  if (pipe2(in, O_CLOEXEC) != 0) return 0;
  const pid_t pid = Spawn(argv, in[0], -1, true);
  close(in[0]);
  if (pid != 0) {
    const NoBrokenPipeSignal quiet;
    WriteAll(in[1], input);
  }
  close(in[1]);
  return pid;
}

bool ProgramOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find(':', start), folders.size());
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty() && access((folder + "/" + name).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace pindle
