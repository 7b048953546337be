#include "generate/retry_rule.h"

#include <algorithm>

#include "web/retry_after.h"

namespace pindle {
namespace {

using std::chrono::milliseconds;

constexpr int kMaxRateRetries = 5;
constexpr int kMaxPassingRetries = 3;
constexpr milliseconds kFirstBackOff{1000};

bool PassingFailure(int status) { return status == 502 || status == 503 || status == 504; }

}  // namespace

Retry PlanRetry(const WebResponse& response, RetryTries& tries) {
  Retry retry;
  // Retry-After counts only with the statuses below; most answers need not be searched for it.
  if (response.status == 429 || PassingFailure(response.status)) retry.asked = RetryAfter(response.headers);
  const bool rateLimit = response.status == 429 || (response.status == 503 && retry.asked);
  const bool passing = !rateLimit && PassingFailure(response.status);
  if (rateLimit || passing) {
    int& count = rateLimit ? tries.rate : tries.passing;
    if (count >= (rateLimit ? kMaxRateRetries : kMaxPassingRetries)) return retry;
    retry.wait = retry.asked ? milliseconds(*retry.asked)
                             : std::min<milliseconds>(kFirstBackOff * (1 << count), kLongestRetryWait);
    ++count;
    retry.kind = rateLimit ? Retry::Kind::RateLimit : Retry::Kind::Passing;
    return retry;
  }
  if (response.failed() && response.status == 0 && !tries.connection) {
    tries.connection = true;
    retry.kind = Retry::Kind::Reconnect;
  }
  return retry;
}

}  // namespace pindle
