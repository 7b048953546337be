#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <vector>

#include "web/web_limits.h"
#include "web/web_request.h"

namespace pindle {

// Many requests at once on the calling thread, through libcurl's multi interface (no thread per
// request). Each request is made exactly as WebRequest makes it (same headers, cookies, redirect
// loop, limits and error texts); over TLS, HTTP/2 is offered and a service that takes it gets the
// requests as streams of one connection. Connections stay open for the next request until the
// object goes. Only wake() may be called from another thread.
class MultiTransfer {
 public:
  // At most this many connections to one host (0: no bound). Without offerHttp2 every request
  // goes out as HTTP/1.1, exactly as WebRequest sends it.
  explicit MultiTransfer(int connectionsPerHost = 0, bool offerHttp2 = true);
  ~MultiTransfer();
  MultiTransfer(const MultiTransfer&) = delete;
  MultiTransfer& operator=(const MultiTransfer&) = delete;

  // Starts a request; its response comes back from run() with `tag`. Without `limits`, those in
  // force now (web/web_limits.h).
  void start(std::uint64_t tag, const RequestOptions& options);
  void start(std::uint64_t tag, const RequestOptions& options, const WebLimits& limits);

  struct Finished {
    std::uint64_t tag;
    WebResponse response;
  };
  // Moves the transfers on, waiting at most `timeout` for something to happen (less when a
  // request ends, or wake() is called); returns the requests that ended, in no particular order.
  std::vector<Finished> run(std::chrono::milliseconds timeout);

  // Makes a waiting run() return at once. Safe from any thread.
  void wake();
  // Requests started and not yet returned by run().
  std::size_t inFlight() const;
  // Drops every request in flight; none of them comes back.
  void abandonAll();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace pindle
