#include "tests/support/httplib_server.h"

#include <chrono>
#include <stdexcept>

namespace pindle::test {

HttplibLoopbackServer::HttplibLoopbackServer(const Routes& routes) : server_(std::make_unique<httplib::Server>()) {
  start(routes);
}

HttplibLoopbackServer::HttplibLoopbackServer(const TestCertificate& certificate, const Routes& routes)
    : server_(std::make_unique<httplib::SSLServer>(certificate.cert(), certificate.key())), tls_(true) {
  if (!server_->is_valid()) throw std::runtime_error("TLS server set-up failed");
  start(routes);
}

void HttplibLoopbackServer::start(const Routes& routes) {
  if (routes) routes(*server_);
  server_->set_tcp_nodelay(true);  // no Nagle wait between head and body on a kept connection
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind a loopback port");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() before the accept loop runs would be lost.
  while (!server_->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

HttplibLoopbackServer::~HttplibLoopbackServer() {
  server_->stop();
  thread_.join();
}

std::string HttplibLoopbackServer::url(const std::string& path) const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace pindle::test
