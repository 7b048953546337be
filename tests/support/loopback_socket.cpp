#include "tests/support/loopback_socket.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace pindle::test {
namespace {

bool ReadMore(int fd, std::string& pending) {
  char buffer[65536];
  const ssize_t n = recv(fd, buffer, sizeof buffer, 0);
  if (n <= 0) return false;
  pending.append(buffer, static_cast<size_t>(n));
  return true;
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// Waits until `pending` holds a CRLF at or after `from`; its position, or npos at the end.
size_t FindLineEnd(int fd, std::string& pending, size_t from) {
  for (;;) {
    const size_t at = pending.find("\r\n", from);
    if (at != std::string::npos) return at;
    if (!ReadMore(fd, pending)) return std::string::npos;
  }
}

}  // namespace

int ConnectTcp(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) return -1;
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd >= 0 && connect(fd, found->ai_addr, found->ai_addrlen) != 0) {
    close(fd);
    fd = -1;
  }
  freeaddrinfo(found);
  return fd;
}

bool SendAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

std::optional<std::string> ReadHttpRequest(int fd, std::string& pending) {
  size_t headEnd;
  while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos)
    if (!ReadMore(fd, pending)) return std::nullopt;
  headEnd += 4;
  size_t contentLength = 0;
  bool chunked = false;
  size_t lineStart = pending.find("\r\n") + 2;
  while (lineStart < headEnd - 2) {
    const size_t lineEnd = pending.find("\r\n", lineStart);
    const std::string line = pending.substr(lineStart, lineEnd - lineStart);
    const size_t colon = line.find(':');
    if (colon != std::string::npos) {
      const std::string name = Lower(line.substr(0, colon));
      const std::string value = Lower(line.substr(colon + 1));
      if (name == "content-length") contentLength = std::stoul(value);
      if (name == "transfer-encoding" && value.find("chunked") != std::string::npos) chunked = true;
    }
    lineStart = lineEnd + 2;
  }
  size_t end = headEnd;
  if (chunked) {
    for (;;) {
      const size_t sizeEnd = FindLineEnd(fd, pending, end);
      if (sizeEnd == std::string::npos) return std::nullopt;
      const size_t size = std::stoul(pending.substr(end, sizeEnd - end), nullptr, 16);
      end = sizeEnd + 2;
      if (size == 0) {
        for (;;) {  // trailer lines up to the empty one
          const size_t trailerEnd = FindLineEnd(fd, pending, end);
          if (trailerEnd == std::string::npos) return std::nullopt;
          const bool last = trailerEnd == end;
          end = trailerEnd + 2;
          if (last) break;
        }
        break;
      }
      while (pending.size() < end + size + 2)
        if (!ReadMore(fd, pending)) return std::nullopt;
      end += size + 2;
    }
  } else {
    end += contentLength;
    while (pending.size() < end)
      if (!ReadMore(fd, pending)) return std::nullopt;
  }
  std::string request = pending.substr(0, end);
  pending.erase(0, end);
  return request;
}

void Tunnel(int a, int b) {
  pollfd fds[2] = {{a, POLLIN, 0}, {b, POLLIN, 0}};
  char buffer[65536];
  for (;;) {
    if (poll(fds, 2, -1) <= 0) return;
    for (int i = 0; i < 2; ++i) {
      if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      const ssize_t n = recv(fds[i].fd, buffer, sizeof buffer, 0);
      if (n <= 0 || !SendAll(fds[1 - i].fd, std::string_view(buffer, static_cast<size_t>(n)))) return;
    }
  }
}

std::string WithPort(std::string text, int port) {
  const std::string number = std::to_string(port);
  for (size_t at = text.find("{port}"); at != std::string::npos; at = text.find("{port}", at + number.size()))
    text.replace(at, 6, number);
  return text;
}

int ClosedLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    port = ntohs(address.sin_port);
  close(fd);
  return port;
}

LoopbackAcceptor::LoopbackAcceptor(Serve serve, int backlog, const std::string& host, int port)
    : serve_(std::move(serve)) {
  listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
  const int yes = 1;
  setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
    throw std::runtime_error("loopback listener: no IPv4 address " + host);
  socklen_t length = sizeof address;
  if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(listenFd_, backlog) != 0 ||
      getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    throw std::runtime_error(std::string("loopback listener: ") + std::strerror(errno));
  port_ = ntohs(address.sin_port);
  if (serve_) acceptThread_ = std::thread([this] { acceptLoop(); });
}

LoopbackAcceptor::~LoopbackAcceptor() { stop(); }

void LoopbackAcceptor::acceptLoop() {
  for (;;) {
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) {
      if (stopping_ || errno != EINTR) return;
      continue;
    }
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    std::lock_guard lock(mutex_);
    if (stopping_) {
      close(fd);
      return;
    }
    open_.push_back(fd);
    threads_.emplace_back([this, fd] {
      serve_(fd);
      release(fd);
    });
  }
}

void LoopbackAcceptor::track(int fd) {
  std::lock_guard lock(mutex_);
  if (stopping_)
    shutdown(fd, SHUT_RDWR);
  else
    open_.push_back(fd);
}

void LoopbackAcceptor::release(int fd) {
  std::lock_guard lock(mutex_);
  const auto at = std::find(open_.begin(), open_.end(), fd);
  if (at != open_.end()) open_.erase(at);
  close(fd);
}

void LoopbackAcceptor::stop() {
  if (stopping_.exchange(true)) return;
  shutdown(listenFd_, SHUT_RDWR);
  if (acceptThread_.joinable()) acceptThread_.join();
  std::vector<std::thread> threads;
  {
    std::lock_guard lock(mutex_);
    for (const int fd : open_) shutdown(fd, SHUT_RDWR);
    threads.swap(threads_);
  }
  for (auto& t : threads) t.join();
  std::lock_guard lock(mutex_);
  for (const int fd : open_) close(fd);
  open_.clear();
  close(listenFd_);
}

}  // namespace pindle::test
