#include "web/web_limits.h"

#include <mutex>

namespace pindle {
namespace {
std::mutex limitsMutex;
WebLimits currentLimits;
}  // namespace

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
