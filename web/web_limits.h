#pragma once
#include <chrono>
#include <cstddef>

namespace pindle {

// Bounds that keep a request from waiting or growing without end. Process-wide, so that tests
// can shorten them; the program keeps the defaults.
struct WebLimits {
  std::chrono::milliseconds connect{30'000};  // name lookup, TCP connect and TLS handshake
  std::chrono::milliseconds stall{60'000};    // no byte moving either way for this long aborts
  // A transfer that moves fewer than slowBytesPerSecond a second, counted over each slowWindow
  // after the connection stands, is abandoned: a trickle never holds a line for ever.
  std::chrono::milliseconds slowWindow{30'000};
  std::size_t slowBytesPerSecond = 100;
  std::chrono::milliseconds longest{300'000};  // no request lasts longer, redirects included
  int maxRedirects = 10;                       // redirects followed before the request fails
  std::size_t maxBodyBytes = 32u << 20;        // a longer body fails the request
};

// What the answers of a batch's lines in flight hold together at most, and the least a line's
// answer may hold whatever the number in flight.
inline constexpr std::size_t kBatchAnswerBytes = 64u << 20;
inline constexpr std::size_t kLeastAnswerCap = 1u << 20;

// The cap on one line's answer in a batch with at most `linesInFlight` lines in flight: an equal
// share of kBatchAnswerBytes, never more than `single` (what an answer alone may hold) and never
// less than kLeastAnswerCap unless `single` is less. So memory stays bounded whatever -j is.
std::size_t BatchAnswerCap(int linesInFlight, std::size_t single);

WebLimits DefaultWebLimits();
WebLimits CurrentWebLimits();
void SetWebLimits(const WebLimits& limits);

}  // namespace pindle
