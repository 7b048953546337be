#pragma once
#include <httplib.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/test_certificates.h"

namespace pindle::test {

// A cpp-httplib server on 127.0.0.1 (a port the system picks), serving on its own thread from
// construction to destruction. Routes are set up before it starts.
class HttplibLoopbackServer {
 public:
  using Routes = std::function<void(httplib::Server&)>;
  explicit HttplibLoopbackServer(const Routes& routes);                             // plain HTTP
  HttplibLoopbackServer(const TestCertificate& certificate, const Routes& routes);  // HTTPS
  ~HttplibLoopbackServer();

  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path, or https for the TLS server
  std::string url(const std::string& path = "/") const;

 private:
  void start(const Routes& routes);

  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
  bool tls_ = false;
};

}  // namespace pindle::test
