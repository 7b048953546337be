#include "web/retry_after.h"

#include <curl/curl.h>

#include <charconv>

#include "text/text_utils.h"

namespace pindle {

std::optional<std::chrono::seconds> RetryAfter(const Text& headers, std::chrono::system_clock::time_point now) {
  for (const Text& line : Split(headers, "\r\n")) {
    const size_t colon = line.find(':');
    if (colon == Text::npos || ToLowerAscii(Trim(line.substr(0, colon))) != "retry-after") continue;
    const Text value = Trim(line.substr(colon + 1));
    if (value.empty()) return std::nullopt;
    long long seconds = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), seconds);
    if (error == std::errc() && end == value.data() + value.size())
      return seconds < 0 ? std::nullopt : std::optional(std::chrono::seconds(seconds));
    const time_t date = curl_getdate(value.c_str(), nullptr);
    if (date < 0) return std::nullopt;
    const auto wait = std::chrono::system_clock::from_time_t(date) - now;
    return std::chrono::seconds(std::max<long long>(0, std::chrono::ceil<std::chrono::seconds>(wait).count()));
  }
  return std::nullopt;
}

}  // namespace pindle
