#pragma once
#include <chrono>
#include <optional>

#include "web/web_request.h"

namespace pindle {

// A wait longer than this is not waited for: the request fails (or a batch gives the host up).
inline constexpr std::chrono::seconds kLongestRetryWait{120};

// How often a request was sent again, by cause.
struct RetryTries {
  int rate = 0;     // 429, or 503 with Retry-After
  int passing = 0;  // 502, 503 and 504 without Retry-After: a service failing for a moment
  bool connection = false;
};

// Whether an answer has the request sent again, and after how long: the one rule of batches and
// link operations.
struct Retry {
  enum class Kind { None, RateLimit, Passing, Reconnect };
  Kind kind = Kind::None;
  std::chrono::milliseconds wait{0};
  std::optional<std::chrono::seconds> asked;  // the answer's Retry-After
};

// Counts the try in `tries`: five for a rate limit, three for a passing failure, one reconnect
// after no answer at all; the wait is Retry-After, else a back-off from one second doubling.
Retry PlanRetry(const WebResponse& response, RetryTries& tries);

}  // namespace pindle
