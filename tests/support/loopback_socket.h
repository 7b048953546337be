#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pindle::test {

// Plain blocking sockets on 127.0.0.1 for the test servers.

// A connected socket to host:port, or -1.
int ConnectTcp(const std::string& host, int port);
bool SendAll(int fd, std::string_view bytes);
// One whole HTTP request (head, then a body by Content-Length or chunked coding) exactly as
// received. `pending` holds bytes read beyond it. Empty when the peer ends before a whole request.
std::optional<std::string> ReadHttpRequest(int fd, std::string& pending);
// Copies bytes both ways until either side ends.
void Tunnel(int a, int b);
// Every "{port}" replaced by the number.
std::string WithPort(std::string text, int port);
// A port on 127.0.0.1 that nothing listens on (bound once, then let go): a dead service.
int ClosedLoopbackPort();

// Listens on 127.0.0.1 (a port the system picks) and runs `serve` for each connection on a
// thread of its own; the connection is closed when `serve` returns. Stopping shuts down the listener and every socket
// it was told about, so blocked reads return, and waits for the threads.
// Another loopback address ("127.0.0.2", another origin for the client) and a given port may be asked for.
class LoopbackAcceptor {
 public:
  using Serve = std::function<void(int fd)>;
  explicit LoopbackAcceptor(Serve serve, int backlog = 64, const std::string& host = "127.0.0.1", int port = 0);
  ~LoopbackAcceptor();
  LoopbackAcceptor(const LoopbackAcceptor&) = delete;
  LoopbackAcceptor& operator=(const LoopbackAcceptor&) = delete;

  int port() const { return port_; }
  // Makes stop() shut down `fd` as well (for sockets a connection opens further on).
  void track(int fd);
  // Closes a tracked socket (a connection's own socket is released when `serve` returns).
  void release(int fd);
  void stop();

 private:
  void acceptLoop();

  Serve serve_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::vector<int> open_;
  std::vector<std::thread> threads_;
  std::thread acceptThread_;
};

}  // namespace pindle::test
