#include "web/web_limits.h"

#include <algorithm>
#include <mutex>

namespace pindle {
namespace {
std::mutex limitsMutex;
WebLimits currentLimits;
}  // namespace

std::size_t BatchAnswerCap(int linesInFlight, std::size_t single) {
  const std::size_t share = kBatchAnswerBytes / static_cast<std::size_t>(std::max(1, linesInFlight));
  return std::min(single, std::max(kLeastAnswerCap, share));
}

WebLimits DefaultWebLimits() { return WebLimits{}; }

WebLimits CurrentWebLimits() {
  std::lock_guard lock(limitsMutex);
  return currentLimits;
}

void SetWebLimits(const WebLimits& limits) {
  std::lock_guard lock(limitsMutex);
  currentLimits = limits;
}

}  // namespace pindle
