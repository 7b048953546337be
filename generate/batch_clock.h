#pragma once
#include <chrono>

namespace pindle {

// The time a batch waits by when a service asks it to wait (Retry-After, back-off). A value the
// batch is given: real time in the program; a test gives one that runs faster, so that waits of
// seconds pass in milliseconds while every wait is still measured, reported and ordered as the
// service asked.
class BatchClock {
 public:
  using time_point = std::chrono::steady_clock::time_point;
  // Runs `timesFaster` times as fast as real time from now on (1, the default: real time).
  explicit BatchClock(int timesFaster = 1);
  time_point now() const;
  // How long to block the thread for `wait` of this clock's time (at least 1 ms when `wait` is
  // not 0).
  std::chrono::milliseconds realTimeFor(std::chrono::milliseconds wait) const;
  int speed() const { return speed_; }

 private:
  int speed_;
  time_point origin_;  // this clock's time equals real time here
};

}  // namespace pindle
