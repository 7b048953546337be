#pragma once
#include <httplib.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/request_log.h"

namespace pindle::test {

// A shortening service on 127.0.0.1: a real HTTP server whose routes answer in the shapes
// public services use (plain text, JSON, nested JSON, XML, JSONP, UTF-8 and GBK text).
// Every request is recorded with its raw target, headers and body.
class LoopbackShortener {
 public:
  struct Seen {
    std::string method;
    std::string target;  // path and query exactly as sent
    std::string body;
    httplib::Headers headers;
    int remotePort = 0;  // tells the connections apart
    std::string header(const std::string& name) const;
  };

  LoopbackShortener();
  ~LoopbackShortener();
  LoopbackShortener(const LoopbackShortener&) = delete;
  LoopbackShortener& operator=(const LoopbackShortener&) = delete;

  // "http://127.0.0.1:<port>"
  std::string base() const;
  int port() const { return port_; }
  std::vector<Seen> requests();
  void clearRequests();
  // Adds or replaces a route; the handler runs on a server thread.
  httplib::Server& server() { return server_; }

  // The short link every route hands out for the n-th request (1-based): base()/s/<n>.
  std::string shortFor(int n) const;

 private:
  void record(const httplib::Request& req);
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
  RequestLog<Seen> seen_;
  std::mutex mutex_;                                   // pending_
  std::map<const httplib::Request*, size_t> pending_;  // requests being answered: their number in seen_
};

}  // namespace pindle::test
