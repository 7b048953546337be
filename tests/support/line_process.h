#pragma once
#include <sys/types.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace pindle::test {

// A program the test talks to in lines: what it prints on standard output is collected line by
// line, and lines can be sent to its standard input. Ended (SIGTERM, then waited for) when the
// object goes, unless it ended before.
class LineProcess {
 public:
  LineProcess(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env);
  ~LineProcess();
  LineProcess(const LineProcess&) = delete;
  LineProcess& operator=(const LineProcess&) = delete;

  pid_t pid() const { return pid_; }
  void send(const std::string& line);
  // Ends the program's standard input: it reads to its end.
  void closeInput();
  // The first line printed so far or within `timeout` that starts with `prefix`, taken out of
  // the collected lines; nothing when none came.
  std::optional<std::string> take(const std::string& prefix,
                                  std::chrono::milliseconds timeout = std::chrono::seconds(10));
  std::vector<std::string> lines();  // what is collected now
  // Waits for the program to end; its exit code (-1 after a signal), nothing on time-out.
  std::optional<int> wait(std::chrono::milliseconds timeout);

 private:
  void readLines(int fd);
  pid_t pid_ = 0;
  int input_ = -1;
  std::optional<int> exitCode_;
  std::thread reader_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> lines_;
};

}  // namespace pindle::test
