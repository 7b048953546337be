#include "tests/support/raw_http_server.h"

#include <sys/socket.h>

namespace pindle::test {

RawHttpServer::RawHttpServer(const std::string& host, int port)
    : host_(host), acceptor_(std::make_unique<LoopbackAcceptor>([this](int fd) { serve(fd); }, 64, host, port)) {}

RawHttpServer::~RawHttpServer() { acceptor_->stop(); }

std::string RawHttpServer::url(const std::string& path) const {
  return "http://" + host_ + ":" + std::to_string(port()) + path;
}

void RawHttpServer::answer(const std::string& target, RawReply reply) {
  std::lock_guard lock(mutex_);
  replies_[target] = std::move(reply);
}

void RawHttpServer::answerOthers(RawReply reply) {
  std::lock_guard lock(mutex_);
  others_ = std::move(reply);
}

std::vector<std::string> RawHttpServer::requests() const { return requests_.entries(); }

std::string RawHttpServer::lastRequest() const { return requests_.last(); }

void RawHttpServer::clearRequests() { requests_.clear(); }

RawReply RawHttpServer::replyFor(const std::string& request) {
  const size_t first = request.find(' ');
  const size_t second = request.find(' ', first + 1);
  const std::string target = request.substr(first + 1, second - first - 1);
  requests_.add(request);
  std::lock_guard lock(mutex_);
  const auto found = replies_.find(target);
  return found == replies_.end() ? others_ : found->second;
}

void RawHttpServer::serve(int fd) {
  std::string pending;
  while (const auto request = ReadHttpRequest(fd, pending)) {
    const RawReply reply = replyFor(*request);
    if (!SendAll(fd, WithPort(reply.bytes, port()))) return;
    if (reply.after == RawReply::Close) return;
    if (reply.after == RawReply::Stall) {
      char sink[4096];
      while (recv(fd, sink, sizeof sink, 0) > 0) {
      }
      return;
    }
  }
}

}  // namespace pindle::test
