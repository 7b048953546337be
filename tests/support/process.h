#pragma once
#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pindle::test {

struct ProcessResult {
  int exitCode = -1;  // -1 when killed by a signal
  int signal = 0;
  std::string out;
  std::string err;
};

// "KEY=value" lines for a program started with exactly `env`, plus the sanitizers' options the
// tests run under (unless `env` names them), so a sanitized child reports as its parent does.
std::vector<std::string> ChildEnvironment(const std::map<std::string, std::string>& env);

// Runs a program with exactly the given environment (nothing inherited but ChildEnvironment's), feeding `input` to its
// standard input, and collects its output. Kills it after `timeoutMs`.
// With `interruptWhen`, it is asked every few milliseconds while the program runs, and the
// program gets one SIGINT (as from Ctrl-C) the first time it answers true.
ProcessResult RunProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                         const std::string& input = "", int timeoutMs = 60000,
                         const std::function<bool()>& interruptWhen = {});

// Starts a program with its output discarded and `input` (at most a pipe's buffer) on its standard
// input, which is closed after it; returns its pid.
pid_t StartProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                   const std::string& input = "");
// Waits for a started program; the exit code, or -1 after a signal.
int WaitProcess(pid_t pid);

}  // namespace pindle::test
