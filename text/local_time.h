#pragma once
#include <cstdint>

#include "platform/types.h"

namespace pindle {

// `unixTime` (seconds) in the local time zone, written by strftime's `format`.
Text LocalTimeText(std::int64_t unixTime, const char* format);

// The current time in seconds, for LocalTimeText.
std::int64_t NowUnixTime();

}  // namespace pindle
