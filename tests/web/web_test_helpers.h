#pragma once
#include <string>

#include "tests/support/loopback_socket.h"
#include "web/curl_global.h"
#include "web/web_limits.h"
#include "web/web_request.h"

namespace pindle::test {

// Sets process-wide limits for one test and puts the defaults back afterwards.
class ScopedWebLimits {
 public:
  explicit ScopedWebLimits(const WebLimits& limits) { SetWebLimits(limits); }
  ~ScopedWebLimits() { SetWebLimits(DefaultWebLimits()); }
};

// Limits short enough for tests of stalls and time-outs.
inline WebLimits QuickLimits() {
  WebLimits limits;
  limits.connect = std::chrono::milliseconds(300);
  limits.stall = std::chrono::milliseconds(1000);
  return limits;
}

// The texts of the options with "{port}" filled in.
inline RequestOptions WithPort(RequestOptions options, int port) {
  options.url = WithPort(options.url, port);
  if (options.extraHeaders) options.extraHeaders = WithPort(*options.extraHeaders, port);
  if (options.proxy) options.proxy = WithPort(*options.proxy, port);
  return options;
}

inline std::string DefaultHead(int port) {
  return WithPort("Host: 127.0.0.1:{port}\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n", port);
}

}  // namespace pindle::test
