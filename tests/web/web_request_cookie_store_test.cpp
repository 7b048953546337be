#include <gtest/gtest.h>

#include <thread>

#include "tests/support/httplib_server.h"
#include "tests/support/raw_http_server.h"
#include "tests/web/web_test_helpers.h"
#include "web/web_request.h"

namespace pindle {
namespace {

using test::RawHttpServer;

// The Cookie lines of a recorded request.
std::vector<std::string> CookieLines(const std::string& request) {
  std::vector<std::string> lines;
  for (size_t at = request.find("\r\nCookie:"); at != std::string::npos; at = request.find("\r\nCookie:", at + 2))
    lines.push_back(request.substr(at + 2, request.find("\r\n", at + 2) - at - 2));
  return lines;
}

using Lines = std::vector<std::string>;

TEST(WebRequestCookieStore, UsedOnlyWithoutSuppliedCookies) {
  ClearSharedCookies();
  RawHttpServer server;
  server.answer("/set", {"HTTP/1.1 200 OK\r\nSet-Cookie: s=1; Path=/\r\nContent-Length: 0\r\n\r\n"});
  server.answer("/own", {"HTTP/1.1 200 OK\r\nSet-Cookie: t=2; Path=/\r\nContent-Length: 0\r\n\r\n"});
  server.answer("/see", {"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"});

  const WebResponse set = WebRequest({.url = server.url("/set")});
  EXPECT_EQ(set.receivedCookies, "s=1");
  EXPECT_FALSE(set.cookies.has_value());
  WebRequest({.url = server.url("/see")});
  EXPECT_EQ(CookieLines(server.lastRequest()), Lines{"Cookie: s=1"});

  // Cookies of its own: the store is neither sent nor written.
  const WebResponse own = WebRequest({.url = server.url("/own"), .cookies = "x=9"});
  EXPECT_EQ(CookieLines(server.lastRequest()), Lines{"Cookie: x=9"});
  EXPECT_EQ(own.receivedCookies, "t=2; x=9");
  WebRequest({.url = server.url("/own"), .cookies = ""});
  EXPECT_EQ(CookieLines(server.lastRequest()), Lines{});

  WebRequest({.url = server.url("/see")});
  EXPECT_EQ(CookieLines(server.lastRequest()), Lines{"Cookie: s=1"});

  ClearSharedCookies();
  WebRequest({.url = server.url("/see")});
  EXPECT_EQ(CookieLines(server.lastRequest()), Lines{});
}

TEST(WebRequestCookieStore, KeptAcrossPostRedirectGet) {
  ClearSharedCookies();
  RawHttpServer server;
  server.answer("/login", {"HTTP/1.1 302 Found\r\nLocation: /home\r\nSet-Cookie: sid=42; Path=/\r\n"
                           "Content-Length: 0\r\n\r\n"});
  server.answer("/home", {"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nhome"});
  const WebResponse r = WebRequest({.url = server.url("/login"), .method = kPost, .postText = "u=1"});
  EXPECT_EQ(r.body, "home");
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(CookieLines(server.requests()[1]), Lines{"Cookie: sid=42"});
  ClearSharedCookies();
}

// Threads that set and read cookies of the one store at the same time each find their own.
TEST(WebRequestCookieStore, TwoThreadsAtOnce) {
  ClearSharedCookies();
  test::HttplibLoopbackServer server([](httplib::Server& s) {
    s.Get(R"(/set/(\w+))", [](const httplib::Request& req, httplib::Response& res) {
      res.set_header("Set-Cookie", req.matches[1].str() + "=v; Path=/");
    });
    s.Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.get_header_value("Cookie"), "text/plain");
    });
  });
  constexpr int kRounds = 40;
  std::vector<std::string> missing[2];
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kRounds; ++i) {
        const std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
        if (WebRequest({.url = server.url("/set/" + name)}).failed()) missing[t].push_back(name + " (set)");
        const WebResponse echo = WebRequest({.url = server.url("/echo")});
        if (echo.body.find(name + "=v") == std::string::npos) missing[t].push_back(name);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(missing[0], std::vector<std::string>{});
  EXPECT_EQ(missing[1], std::vector<std::string>{});
  const WebResponse all = WebRequest({.url = server.url("/echo")});
  EXPECT_NE(all.body.find("t0_39=v"), std::string::npos);
  EXPECT_NE(all.body.find("t1_39=v"), std::string::npos);
  ClearSharedCookies();
}

}  // namespace
}  // namespace pindle
