#include "tests/support/echo_service.h"

#include <algorithm>
#include <thread>

namespace pindle::test {

EchoService::EchoService(Delay delay)
    : delay_(std::move(delay)), acceptor_(std::make_unique<LoopbackAcceptor>([this](int fd) { serve(fd); }, 256)) {}

EchoService::~EchoService() {
  {
    // A delayed answer nobody waits for any more must not hold up the end of the test.
    const std::lock_guard lock(mutex_);
    stopped_ = true;
  }
  stopping_.notify_all();
  acceptor_->stop();
}

std::string EchoService::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(acceptor_->port()) + path;
}

void EchoService::script(std::deque<RawReply> replies) {
  const std::lock_guard lock(mutex_);
  script_ = std::move(replies);
}

void EchoService::serve(int fd) {
  const int open = ++open_;
  for (int most = mostOpen_; open > most && !mostOpen_.compare_exchange_weak(most, open);) {
  }
  std::string pending;
  while (const auto request = ReadHttpRequest(fd, pending)) {
    ++requests_;
    const auto arrived = std::chrono::steady_clock::now();
    const size_t first = request->find(' ');
    const std::string target = request->substr(first + 1, request->find(' ', first + 1) - first - 1);
    std::optional<RawReply> scripted;
    {
      const std::lock_guard lock(mutex_);
      if (!script_.empty()) {
        scripted = std::move(script_.front());
        script_.pop_front();
      }
    }
    if (delay_) {
      std::unique_lock lock(mutex_);
      if (stopping_.wait_for(lock, std::chrono::milliseconds(delay_(target)), [&] { return stopped_; })) break;
    }
    if (scripted) {
      const bool sent = SendAll(fd, scripted->bytes);
      {
        const std::lock_guard lock(mutex_);
        lastScripted_ = std::chrono::steady_clock::now();
      }
      if (!sent || scripted->after == RawReply::Close) break;
      continue;
    }
    const std::string body = echo(target);
    if (!SendAll(fd, "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
                         "\r\n\r\n" + body))
      break;
    const std::lock_guard lock(mutex_);
    echoes_.emplace_back(arrived, std::chrono::steady_clock::now());
  }
  --open_;
}

int EchoService::mostEchoingAtOnceAfterScript() {
  const std::lock_guard lock(mutex_);
  int most = 0;
  for (const auto& [arrived, answered] : echoes_) {
    if (arrived < lastScripted_) continue;
    int atOnce = 0;
    for (const auto& [a, b] : echoes_)
      if (a >= lastScripted_ && a <= arrived && b > arrived) ++atOnce;
    most = std::max(most, atOnce);
  }
  return most;
}

}  // namespace pindle::test
