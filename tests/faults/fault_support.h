#pragma once
#include <chrono>
#include <future>
#include <memory>
#include <optional>
#include <thread>

#include "platform/types.h"
#include "web/web_limits.h"

namespace pindle::test {

// Short limits so that a silent service ends a request in about a second.
inline WebLimits ShortWebLimits() {
  WebLimits limits = DefaultWebLimits();
  limits.connect = std::chrono::milliseconds(1000);
  limits.stall = std::chrono::milliseconds(1000);
  limits.maxBodyBytes = 1u << 20;
  return limits;
}

// Puts the short limits in place for one test and the defaults back afterwards.
class ShortLimitsScope {
 public:
  ShortLimitsScope() { SetWebLimits(ShortWebLimits()); }
  ~ShortLimitsScope() { SetWebLimits(DefaultWebLimits()); }
};

struct BoundedOutcome {
  Text result;
  Text failure;
  std::chrono::milliseconds took{0};
};

// Sanitizer builds run many times slower; bounds on how long a pass may take grow with them.
#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
inline constexpr int kSlowdown = 10;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer) || __has_feature(address_sanitizer)
inline constexpr int kSlowdown = 10;
#else
inline constexpr int kSlowdown = 1;
#endif
#else
inline constexpr int kSlowdown = 1;
#endif
template <typename Duration>
constexpr Duration Scaled(Duration d) {
  return d * kSlowdown;
}

// Runs `work` on a thread of its own and waits at most `limit`: a hang shows up as nullopt
// instead of a test run that never ends. A hung thread is left behind on purpose.
template <typename Work>
std::optional<BoundedOutcome> RunBounded(Work work, std::chrono::milliseconds limit) {
  limit = Scaled(limit);
  auto promise = std::make_shared<std::promise<BoundedOutcome>>();
  std::future<BoundedOutcome> future = promise->get_future();
  std::thread([promise, work]() mutable {
    const auto start = std::chrono::steady_clock::now();
    BoundedOutcome outcome;
    outcome.result = work(outcome.failure);
    outcome.took = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
    promise->set_value(std::move(outcome));
  }).detach();
  if (future.wait_for(limit) != std::future_status::ready) return std::nullopt;
  return future.get();
}

}  // namespace pindle::test
