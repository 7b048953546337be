#pragma once
#include <memory>
#include <string>
#include <vector>

#include "tests/support/loopback_socket.h"
#include "tests/support/request_log.h"

namespace pindle::test {

// A forwarding HTTP proxy on 127.0.0.1. It records the first request of each client connection
// exactly as received (the whole request for plain HTTP, the head for CONNECT), forwards a
// plain request in origin form with "Connection: close" and no Proxy-Connection line, tunnels
// after CONNECT, and passes the answer back untouched.
class LoopbackProxy {
 public:
  LoopbackProxy();
  ~LoopbackProxy();

  int port() const { return acceptor_->port(); }
  // "127.0.0.1:<port>"
  std::string address() const;
  std::vector<std::string> requests() const;

 private:
  void serve(int fd);

  RequestLog<> requests_;
  std::unique_ptr<LoopbackAcceptor> acceptor_;
};

}  // namespace pindle::test
