// Failures: what the server does (or does not do), and what the caller must get back.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "tests/support/loopback_socket.h"
#include "tests/support/raw_http_server.h"
#include "tests/web/web_test_helpers.h"
#include "web/web_request.h"

namespace pindle {
namespace {

using test::RawHttpServer;
using test::RawReply;
using Clock = std::chrono::steady_clock;

TEST(WebLimits, Defaults) {
  const WebLimits limits = DefaultWebLimits();
  EXPECT_EQ(limits.connect, std::chrono::seconds(30));
  EXPECT_EQ(limits.stall, std::chrono::seconds(60));
  EXPECT_EQ(limits.slowWindow, std::chrono::seconds(30));
  EXPECT_EQ(limits.slowBytesPerSecond, 100u);
  EXPECT_EQ(limits.longest, std::chrono::seconds(300));
  EXPECT_EQ(limits.maxRedirects, 10);
  EXPECT_EQ(limits.maxBodyBytes, 32u * 1024 * 1024);
  EXPECT_EQ(CurrentWebLimits().maxBodyBytes, limits.maxBodyBytes);
}

// A batch's answers in flight hold 64 MB at most together, each line its share of it.
TEST(WebLimits, BatchAnswerCapIsAShareOf64MegabytesBetweenOneAnd32) {
  constexpr std::size_t MB = 1u << 20;
  const struct {
    int linesInFlight;
    std::size_t single;  // what one answer alone may hold
    std::size_t cap;
  } cases[] = {
      {1, 32 * MB, 32 * MB}, {2, 32 * MB, 32 * MB},         {3, 32 * MB, 64 * MB / 3}, {8, 32 * MB, 8 * MB},
      {16, 32 * MB, 4 * MB}, {64, 32 * MB, 1 * MB},         {100, 32 * MB, 1 * MB},    {0, 32 * MB, 32 * MB},
      {1, 1000, 1000},       {100, 512 * 1024, 512 * 1024},
  };
  for (const auto& c : cases)
    EXPECT_EQ(BatchAnswerCap(c.linesInFlight, c.single), c.cap) << c.linesInFlight << " " << c.single;
}

TEST(WebRequestFailure, ServerMisbehaves) {
  test::ScopedWebLimits quick([] {
    WebLimits l = test::QuickLimits();
    l.maxBodyBytes = 1000;
    return l;
  }());
  const std::string head1001 = "HTTP/1.1 200 OK\r\nContent-Length: 1001\r\n\r\n";
  const std::string chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
  struct Case {
    const char* name;
    RawReply reply;
    const char* wantError;  // its beginning; "" for success
    int wantStatus;
    bool wantHead;  // a response head arrived and is reported
  } cases[] = {
      {"silent after the request", {"", RawReply::Stall}, "传输停滞：1 秒内没有收到数据", 0, false},
      {"stalls mid-body",
       {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789", RawReply::Stall},
       "传输停滞：",
       200,
       true},
      {"cut mid-body",
       {"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789", RawReply::Close},
       "连接中断，回应不完整：",
       200,
       true},
      {"cut mid-chunk", {chunked + "a\r\n01234", RawReply::Close}, "连接中断，回应不完整：", 200, true},
      {"closed without answer", {"", RawReply::Close}, "连接中断，回应不完整：", 0, false},
      {"announces too much", {head1001 + std::string(1001, 'x')}, "回应内容过大：超过 1000 字节", 200, true},
      {"sends too much",
       {chunked + "3e9\r\n" + std::string(1001, 'x') + "\r\n0\r\n\r\n"},
       "回应内容过大：超过 1000 字节",
       200,
       true},
      {"exactly the limit",
       {"HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(1000, 'x')},
       "",
       200,
       true},
      {"not HTTP", {"SSH-2.0-OpenSSH\r\n\r\n", RawReply::Close}, "服务器的回应无法识别：", 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RawHttpServer server;
    server.answer("/x", c.reply);
    const auto start = Clock::now();
    const WebResponse r = WebRequest({.url = server.url("/x"), .cookies = "a=1"});
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(3));
    EXPECT_TRUE(r.error.starts_with(c.wantError)) << r.error;
    EXPECT_EQ(r.status, c.wantStatus);
    if (*c.wantError) {
      EXPECT_EQ(r.body, "");
    } else {
      EXPECT_EQ(r.body.size(), 1000u);
    }
    EXPECT_EQ(r.headers.starts_with("HTTP/1.1 200 OK\r\n"), c.wantHead) << r.headers;
    if (!c.wantHead) {
      EXPECT_EQ(r.headers, std::string(5000, ' '));
    }
    EXPECT_EQ(r.cookies, "a=1");  // merged with nothing received
  }
}

// A listener whose backlog is full: the client's SYN goes unanswered, as with an unreachable host.
TEST(WebRequestFailure, ConnectTimesOut) {
  test::ScopedWebLimits quick(test::QuickLimits());
  test::LoopbackAcceptor full(nullptr, 0);
  std::vector<int> fillers;
  for (int i = 0; i < 4; ++i) {  // enough to fill the queue; later ones hang and are dropped
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(full.port()));
    connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    pollfd p{fd, POLLOUT, 0};
    poll(&p, 1, 50);
    fillers.push_back(fd);
  }
  const auto start = Clock::now();
  const WebResponse r = WebRequest({.url = "http://127.0.0.1:" + std::to_string(full.port()) + "/", .cookies = ""});
  const auto took = Clock::now() - start;
  for (const int fd : fillers) close(fd);
  EXPECT_TRUE(r.error.starts_with("连接超时：1 秒内没能连上服务器：")) << r.error;
  EXPECT_LT(took, std::chrono::seconds(2));
  EXPECT_EQ(r.headers, std::string(5000, ' '));
}

// A server that takes the connection but never answers the TLS handshake: the handshake counts
// as part of connecting.
TEST(WebRequestFailure, TlsHandshakeNeverAnswered) {
  test::ScopedWebLimits quick(test::QuickLimits());
  RawHttpServer silent;
  const auto start = Clock::now();
  const WebResponse r = WebRequest(
      {.url = "https://127.0.0.1:" + std::to_string(silent.port()) + "/", .cookies = "", .verifyTls = false});
  EXPECT_TRUE(r.error.starts_with("连接超时：")) << r.error;
  EXPECT_LT(Clock::now() - start, std::chrono::seconds(2));
}

// A service that sends its answer a little at a time: below the rate it is abandoned after one
// window, above it the request still ends at the longest a request may last.
TEST(WebRequestFailure, TrickleEndsAtTheRateOrTheLongestWait) {
  struct Case {
    const char* name;
    size_t bytesPerTick;  // every 100 ms
    const char* wantError;
  } cases[] = {
      {"a byte at a time", 1, "服务太慢：1 秒内收到 "},
      {"fast enough, never ending", 100, "服务太慢：3 秒内没有完成应答"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScopedWebLimits quick([] {
      WebLimits l = test::QuickLimits();
      l.slowWindow = std::chrono::milliseconds(1000);
      l.longest = std::chrono::milliseconds(2500);
      return l;
    }());
    test::LoopbackAcceptor trickle([&](int fd) {
      std::string pending;
      if (!test::ReadHttpRequest(fd, pending)) return;
      if (!test::SendAll(fd, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")) return;
      char size[16];
      std::snprintf(size, sizeof size, "%zx\r\n", c.bytesPerTick);
      while (test::SendAll(fd, size + std::string(c.bytesPerTick, 'x') + "\r\n"))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    const WebResponse r = WebRequest({.url = "http://127.0.0.1:" + std::to_string(trickle.port()) + "/"});
    EXPECT_TRUE(r.error.starts_with(c.wantError)) << r.error;
    EXPECT_EQ(r.body, "");
    trickle.stop();
  }
}

TEST(WebRequestFailure, NothingListening) {
  int port;
  {
    test::LoopbackAcceptor gone(nullptr);
    port = gone.port();
  }
  const WebResponse r = WebRequest({.url = "http://127.0.0.1:" + std::to_string(port) + "/", .cookies = "s=1"});
  EXPECT_TRUE(r.error.starts_with("无法连接服务器：")) << r.error;
  EXPECT_EQ(r.body, "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.headers, std::string(5000, ' '));
  EXPECT_EQ(r.receivedCookies, "s=1");
}

// Messages that name the cause: nothing is looked up for a scheme that is not requested, a
// giant URL is not echoed, a giant response head is called what it is.
TEST(WebRequestFailure, MessagesNameTheCause) {
  RawHttpServer server;
  server.answer("/big", {"HTTP/1.1 200 OK\r\nX-Big: " + std::string(1 << 20, 'h') + "\r\nContent-Length: 0\r\n\r\n"});
  server.answer("/x", {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
  const std::string port = std::to_string(server.port());
  const std::string huge = "http://127.0.0.1/" + std::string(10 << 20, 'a');
  const struct {
    std::string url;
    std::string wantError;  // its beginning; "" for success
  } cases[] = {
      {"gopher://name.invalid/x", "网址无效：只能请求 http 或 https 网址，不能请求 gopher:"},
      {"javascript:alert(1)", "网址无效：只能请求 http 或 https 网址，不能请求 javascript:"},
      {"FILE:///etc/passwd", "网址无效：只能请求 http 或 https 网址，不能请求 FILE:"},
      {"127.0.0.1:" + port + "/x", ""},  // no scheme: plain HTTP, as always
      {huge, "网址太长（10.0 MB）"},
      {server.url("/big"), "应答头太大"},
  };
  for (const auto& c : cases) {
    const WebResponse r = WebRequest({.url = c.url});
    EXPECT_TRUE(c.wantError.empty() ? r.error.empty() : r.error.starts_with(c.wantError))
        << c.url.substr(0, 40) << " " << r.error;
    EXPECT_LT(r.error.size(), 300u);
  }
  EXPECT_EQ(server.requests().size(), 2u);
}

// A URL that names no host cannot be opened: nothing is sent and nothing changes.
TEST(WebRequestFailure, UnusableUrl) {
  for (const char* url : {"", "http:///x", "http://127.0.0.1:99999/"}) {
    const WebResponse r = WebRequest({.url = url, .cookies = "a = 1"});
    EXPECT_TRUE(r.error.starts_with("网址无效：")) << url << " " << r.error;
    EXPECT_EQ(r.headers, "") << url;
    EXPECT_EQ(r.receivedCookies, "") << url;
    EXPECT_EQ(r.cookies, "a = 1") << url;
  }
}

}  // namespace
}  // namespace pindle
