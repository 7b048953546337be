#include "tests/support/loopback_proxy.h"

#include <sstream>

namespace pindle::test {
namespace {

// "host:port" (port 80 when none) split in two.
bool SplitAuthority(const std::string& authority, std::string& host, int& port) {
  const size_t colon = authority.rfind(':');
  host = authority.substr(0, colon);
  port = colon == std::string::npos ? 80 : std::stoi(authority.substr(colon + 1));
  return !host.empty();
}

// The request as the origin gets it: origin-form target, no Proxy-Connection, Connection: close.
std::string ForOrigin(const std::string& request, const std::string& path) {
  const size_t headEnd = request.find("\r\n\r\n");
  std::istringstream lines(request.substr(0, headEnd));
  std::string line;
  std::getline(lines, line);
  std::string out = line.substr(0, line.find(' ')) + " " + path + line.substr(line.rfind(' ')) + "\n";
  while (std::getline(lines, line)) {
    if (line.rfind("Proxy-Connection:", 0) == 0 || line.rfind("Connection:", 0) == 0) continue;
    out += line + "\n";
  }
  out += "Connection: close\r\n\r\n";
  return out + request.substr(headEnd + 4);
}

}  // namespace

LoopbackProxy::LoopbackProxy() : acceptor_(std::make_unique<LoopbackAcceptor>([this](int fd) { serve(fd); })) {}

LoopbackProxy::~LoopbackProxy() { acceptor_->stop(); }

std::string LoopbackProxy::address() const { return "127.0.0.1:" + std::to_string(port()); }

std::vector<std::string> LoopbackProxy::requests() const { return requests_.entries(); }

void LoopbackProxy::serve(int fd) {
  std::string pending;
  const auto request = ReadHttpRequest(fd, pending);
  if (!request) return;
  requests_.add(*request);
  const size_t first = request->find(' ');
  const size_t second = request->find(' ', first + 1);
  const std::string verb = request->substr(0, first);
  const std::string target = request->substr(first + 1, second - first - 1);

  std::string authority = target, path = "/";
  if (verb != "CONNECT") {
    const size_t hostStart = target.find("://");
    if (hostStart == std::string::npos) return;
    const size_t pathStart = target.find('/', hostStart + 3);
    authority = target.substr(hostStart + 3, pathStart - hostStart - 3);
    if (pathStart != std::string::npos) path = target.substr(pathStart);
  }
  std::string host;
  int port = 0;
  const int upstream = SplitAuthority(authority, host, port) ? ConnectTcp(host, port) : -1;
  if (upstream < 0) {
    SendAll(fd, "HTTP/1.1 502 Bad Gateway\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    return;
  }
  acceptor_->track(upstream);
  const bool sent = verb == "CONNECT" ? SendAll(fd, "HTTP/1.1 200 Connection established\r\n\r\n")
                                      : SendAll(upstream, ForOrigin(*request, path));
  if (sent && SendAll(upstream, pending)) Tunnel(fd, upstream);
  acceptor_->release(upstream);
}

}  // namespace pindle::test
