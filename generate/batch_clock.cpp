#include "generate/batch_clock.h"

#include <algorithm>
#include <mutex>

namespace pindle {
namespace {

struct Pace {
  std::mutex mutex;
  int speed = 1;
  // Batch time equals real time at `origin`; from there it runs `speed` times as fast.
  BatchClock::time_point origin = BatchClock::now();
  BatchClock::duration offset{0};
};

Pace& pace() {
  static Pace p;
  return p;
}

}  // namespace

BatchClock::time_point BatchNow() {
  Pace& p = pace();
  const std::lock_guard lock(p.mutex);
  const BatchClock::time_point real = BatchClock::now();
  return real + p.offset + (real - p.origin) * (p.speed - 1);
}

std::chrono::milliseconds RealTimeFor(std::chrono::milliseconds wait) {
  int speed = 1;
  {
    Pace& p = pace();
    const std::lock_guard lock(p.mutex);
    speed = p.speed;
  }
  if (wait.count() <= 0) return std::chrono::milliseconds(0);
  return std::max(std::chrono::milliseconds(1), wait / speed);
}

void SetBatchClockSpeed(int timesFaster) {
  Pace& p = pace();
  const std::lock_guard lock(p.mutex);
  // Batch time goes on from where it stands, so it never runs backwards.
  const BatchClock::time_point real = BatchClock::now();
  p.offset += (real - p.origin) * (p.speed - 1);
  p.origin = real;
  p.speed = std::max(1, timesFaster);
}

}  // namespace pindle
