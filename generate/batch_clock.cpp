#include "generate/batch_clock.h"

#include <algorithm>

namespace pindle {

BatchClock::BatchClock(int timesFaster) : speed_(std::max(1, timesFaster)), origin_(std::chrono::steady_clock::now()) {}

BatchClock::time_point BatchClock::now() const {
  const time_point real = std::chrono::steady_clock::now();
  return origin_ + (real - origin_) * speed_;
}

std::chrono::milliseconds BatchClock::realTimeFor(std::chrono::milliseconds wait) const {
  if (wait.count() <= 0) return std::chrono::milliseconds(0);
  return std::max(std::chrono::milliseconds(1), wait / speed_);
}

}  // namespace pindle
