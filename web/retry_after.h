#pragma once
#include <chrono>
#include <optional>

#include "platform/types.h"

namespace pindle {

// The wait a "Retry-After" line of a response head asks for: delay seconds or an HTTP date
// (a date in the past asks for no wait). Nothing when the head has no usable line.
std::optional<std::chrono::seconds> RetryAfter(
    const Text& headers, std::chrono::system_clock::time_point now = std::chrono::system_clock::now());

}  // namespace pindle
