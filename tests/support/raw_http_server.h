#pragma once
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/loopback_socket.h"
#include "tests/support/request_log.h"

namespace pindle::test {

// What the server sends for one request: `bytes` exactly as written ("{port}" stands for the
// server's port), then it keeps the connection for the next request, closes it, or goes silent
// until the client hangs up.
struct RawReply {
  enum After { KeepOpen, Close, Stall };
  std::string bytes;
  After after = KeepOpen;
};

// An HTTP listener on 127.0.0.1 that records every request byte for byte (request line, header
// lines in their order, body) and answers with scripted bytes, chosen by request target.
// Another loopback address ("127.0.0.2") and a given port may be asked for.
class RawHttpServer {
 public:
  explicit RawHttpServer(const std::string& host = "127.0.0.1", int port = 0);
  ~RawHttpServer();

  int port() const { return acceptor_->port(); }
  // "http://<host>:<port>" + path
  std::string url(const std::string& path = "/") const;

  // The reply for requests whose target (the text between verb and version) is `target`.
  void answer(const std::string& target, RawReply reply);
  // The reply for every other target (by default a 404 without body).
  void answerOthers(RawReply reply);

  std::vector<std::string> requests() const;
  // The last request, or "" when none arrived.
  std::string lastRequest() const;
  void clearRequests();

 private:
  void serve(int fd);
  RawReply replyFor(const std::string& request);

  std::mutex mutex_;  // the replies
  std::map<std::string, RawReply> replies_;
  RawReply others_{"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"};
  RequestLog<> requests_;
  std::string host_;
  std::unique_ptr<LoopbackAcceptor> acceptor_;  // last: stops before the rest goes
};

}  // namespace pindle::test
