#include "tests/support/line_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/process.h"

namespace pindle::test {

LineProcess::LineProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env) {
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> args = argv, envs = ChildEnvironment(env);
  std::vector<char*> argp, envp;
  for (auto& a : args) argp.push_back(a.data());
  argp.push_back(nullptr);
  for (auto& e : envs) envp.push_back(e.data());
  envp.push_back(nullptr);
  const int failed = posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argp.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  if (failed != 0) {
    close(in[1]);
    close(out[0]);
    throw std::runtime_error("spawn failed: " + args[0]);
  }
  input_ = in[1];
  signal(SIGPIPE, SIG_IGN);
  reader_ = std::thread([this, fd = out[0]] { readLines(fd); });
}

LineProcess::~LineProcess() {
  if (!exitCode_) {
    kill(pid_, SIGTERM);
    if (!wait(std::chrono::seconds(5))) {
      kill(pid_, SIGKILL);
      wait(std::chrono::seconds(5));
    }
  }
  if (input_ >= 0) close(input_);
  if (reader_.joinable()) reader_.join();
}

void LineProcess::send(const std::string& line) {
  const std::string text = line + "\n";
  if (input_ >= 0 && write(input_, text.data(), text.size()) < 0) {
    // The program is gone; what the test waits for then does not come.
  }
}

void LineProcess::closeInput() {
  if (input_ >= 0) close(input_);
  input_ = -1;
}

void LineProcess::readLines(int fd) {
  std::string partial;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    std::lock_guard lock(mutex_);
    for (ssize_t i = 0; i < n; ++i) {
      if (buffer[i] == '\n') {
        lines_.push_back(partial);
        partial.clear();
      } else {
        partial.push_back(buffer[i]);
      }
    }
    changed_.notify_all();
  }
  close(fd);
}

std::optional<std::string> LineProcess::take(const std::string& prefix, std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  std::optional<std::string> found;
  changed_.wait_for(lock, timeout, [&] {
    for (auto it = lines_.begin(); it != lines_.end(); ++it) {
      if (it->starts_with(prefix)) {
        found = *it;
        lines_.erase(it);
        return true;
      }
    }
    return false;
  });
  return found;
}

std::vector<std::string> LineProcess::lines() {
  std::lock_guard lock(mutex_);
  return lines_;
}

std::optional<int> LineProcess::wait(std::chrono::milliseconds timeout) {
  if (exitCode_) return exitCode_;
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  do {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      return exitCode_;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  } while (std::chrono::steady_clock::now() < deadline);
  return std::nullopt;
}

}  // namespace pindle::test
