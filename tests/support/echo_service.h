#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/loopback_socket.h"
#include "tests/support/raw_http_server.h"

namespace pindle::test {

// An HTTP service on 127.0.0.1 for batches: it answers each request with the text "http://s"
// followed by the request's target (so a row tells which line it belongs to), after a delay the
// test chooses by target, and counts the connections open at the same time. Scripted replies,
// if any, are used first, one per request in order of arrival; a reply of no bytes with Close
// cuts the connection before any answer.
class EchoService {
 public:
  using Delay = std::function<int(const std::string& target)>;  // milliseconds
  explicit EchoService(Delay delay = {});
  ~EchoService();

  // "http://127.0.0.1:<port>" + path
  std::string url(const std::string& path) const;
  void script(std::deque<RawReply> replies);
  int requests() const { return requests_; }
  int mostOpenAtOnce() const { return mostOpen_; }
  // The most echo answers in the making at once, among requests that arrived after the last
  // scripted reply was sent.
  int mostEchoingAtOnceAfterScript();
  // What the service answers for a target, when no scripted reply is left.
  static std::string echo(const std::string& target) { return "http://s" + target; }

 private:
  void serve(int fd);

  Delay delay_;
  std::mutex mutex_;
  std::deque<RawReply> script_;
  using Clock = std::chrono::steady_clock;
  Clock::time_point lastScripted_{};
  std::vector<std::pair<Clock::time_point, Clock::time_point>> echoes_;  // arrival, answer
  std::atomic<int> requests_{0}, open_{0}, mostOpen_{0};
  std::condition_variable stopping_;  // cuts a delay short when the service goes
  bool stopped_ = false;
  std::unique_ptr<LoopbackAcceptor> acceptor_;  // last: stops before the rest goes
};

}  // namespace pindle::test
