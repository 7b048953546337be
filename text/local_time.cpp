#include "text/local_time.h"

#include <chrono>
#include <ctime>

namespace pindle {

Text LocalTimeText(std::int64_t unixTime, const char* format) {
  const std::time_t t = static_cast<std::time_t>(unixTime);
  std::tm local{};
  localtime_r(&t, &local);
  char text[64];
  const std::size_t n = std::strftime(text, sizeof text, format, &local);
  return Text(text, n);
}

std::int64_t NowUnixTime() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count();
}

}  // namespace pindle
