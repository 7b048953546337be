#pragma once
#include <chrono>
#include <cstddef>

namespace pindle {

// Bounds that keep a request from waiting or growing without end. Process-wide, so that tests
// can shorten them; the program keeps the defaults.
struct WebLimits {
  std::chrono::milliseconds connect{30'000};  // name lookup, TCP connect and TLS handshake
  std::chrono::milliseconds stall{60'000};    // no byte moving either way for this long aborts
  int maxRedirects = 10;                      // redirects followed before the request fails
  std::size_t maxBodyBytes = 32u << 20;       // a longer body fails the request
};

WebLimits DefaultWebLimits();
WebLimits CurrentWebLimits();
void SetWebLimits(const WebLimits& limits);

}  // namespace pindle
