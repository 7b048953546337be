#pragma once
#include <curl/curl.h>

#include <chrono>
#include <memory>

#include "web/response_head.h"
#include "web/web_limits.h"
#include "web/web_request.h"

namespace pindle {

// The agent every request sends unless its headers name one.
inline constexpr const char* kDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// The statuses whose Location is followed.
inline bool IsFollowedRedirect(long status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// One request from its options to its WebResponse, as a state machine over a libcurl easy handle,
// so that the blocking WebRequest and the batch's multi transfer drive exactly the same exchange:
// the same options on the handle, the same own redirect loop, the same limits and error texts.
//
//   RequestExchange exchange(options, limits);
//   if (exchange.attach(handle))          // false: nothing to send, response() says why
//     do { perform the handle } while (exchange.hopEnded(code));
//   WebResponse response = exchange.takeResponse();
//
// The object must stay where it is from attach() to the last hopEnded(): the handle points into it.
class RequestExchange {
 public:
  RequestExchange(const RequestOptions& options, const WebLimits& limits);
  ~RequestExchange();
  RequestExchange(const RequestExchange&) = delete;
  RequestExchange& operator=(const RequestExchange&) = delete;

  // Sets every option of the first hop on `curl` (a fresh or reset handle). False when the
  // request cannot go out (unusable URL, no handle); the response then carries the reason.
  bool attach(CURL* curl, bool offerHttp2 = false);
  // The current hop's transfer ended with `code`. True when a redirect is to be followed: the
  // handle is then set for the next hop and is to be performed again.
  bool hopEnded(CURLcode code);
  // The response, cookies extracted and merged. Call once, after the last hop.
  WebResponse takeResponse();

  // Whether the exchange has TLS on its first hop (HTTP/2 may then be offered).
  bool tls() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace pindle
