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

WebLimits DefaultWebLimits();
WebLimits CurrentWebLimits();
void SetWebLimits(const WebLimits& limits);

}  // namespace pindle
