#include "tests/support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

namespace pindle::test {
namespace {

std::vector<char*> pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Spawns argv[0] with exactly `env`, standard streams as `actions` arrange them.
pid_t spawn(posix_spawn_file_actions_t& actions, const std::vector<std::string>& argv,
            const std::map<std::string, std::string>& env) {
  std::vector<std::string> args = argv;
  std::vector<std::string> envs = ChildEnvironment(env);
  auto argp = pointers(args);
  auto envp = pointers(envs);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) throw std::runtime_error("spawn failed: " + args[0]);
  return pid;
}

}  // namespace

std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& env) {
  std::vector<std::string> out;
  for (const auto& [k, v] : env) out.push_back(k + "=" + v);
  for (const char* name : {"TSAN_OPTIONS", "ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"}) {
    const char* value = std::getenv(name);
    if (value && !env.contains(name)) out.push_back(std::string(name) + "=" + value);
  }
  return out;
}

ProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                         const std::string& input, int timeoutMs, const std::function<bool()>& interruptWhen) {
  int inPipe[2], outPipe[2], errPipe[2];
  if (pipe2(inPipe, O_CLOEXEC) || pipe2(outPipe, O_CLOEXEC) || pipe2(errPipe, O_CLOEXEC))
    throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
  const pid_t pid = spawn(actions, argv, env);
  close(inPipe[0]);
  close(outPipe[1]);
  close(errPipe[1]);

  ProcessResult result;
  size_t written = 0;
  if (input.empty()) {
    close(inPipe[1]);
    inPipe[1] = -1;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool outOpen = true, errOpen = true;
  signal(SIGPIPE, SIG_IGN);
  bool interrupted = false;
  while (outOpen || errOpen) {
    if (interruptWhen && !interrupted && interruptWhen()) {
      kill(pid, SIGINT);
      interrupted = true;
    }
    pollfd fds[3];
    nfds_t n = 0;
    if (outOpen) fds[n++] = {outPipe[0], POLLIN, 0};
    if (errOpen) fds[n++] = {errPipe[0], POLLIN, 0};
    if (inPipe[1] >= 0) fds[n++] = {inPipe[1], POLLOUT, 0};
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      kill(pid, SIGKILL);
      break;
    }
    const int wait = interruptWhen && !interrupted ? std::min<int>(5, static_cast<int>(left.count()))
                                                   : static_cast<int>(left.count());
    if (poll(fds, n, wait) < 0) continue;
    for (nfds_t i = 0; i < n; ++i) {
      if (!fds[i].revents) continue;
      if (fds[i].fd == inPipe[1]) {
        const ssize_t w = write(inPipe[1], input.data() + written, input.size() - written);
        if (w > 0) written += static_cast<size_t>(w);
        if (w < 0 || written == input.size()) {
          close(inPipe[1]);
          inPipe[1] = -1;
        }
        continue;
      }
      char buffer[65536];
      const ssize_t r = read(fds[i].fd, buffer, sizeof buffer);
      const bool isOut = fds[i].fd == outPipe[0];
      if (r <= 0) {
        (isOut ? outOpen : errOpen) = false;
      } else {
        (isOut ? result.out : result.err).append(buffer, static_cast<size_t>(r));
      }
    }
  }
  if (inPipe[1] >= 0) close(inPipe[1]);
  close(outPipe[0]);
  close(errPipe[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

pid_t StartProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                   const std::string& input) {
  int inPipe[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input.empty()) {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  } else {
    if (pipe2(inPipe, O_CLOEXEC)) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
  }
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const pid_t pid = spawn(actions, argv, env);
  if (inPipe[1] >= 0) {
    close(inPipe[0]);
    signal(SIGPIPE, SIG_IGN);
    if (write(inPipe[1], input.data(), input.size()) < 0) {
      // The program may not read its input; it then just sees none.
    }
    close(inPipe[1]);
  }
  return pid;
}

int WaitProcess(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace pindle::test
