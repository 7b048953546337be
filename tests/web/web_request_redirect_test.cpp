// Redirect exchanges: what the server at each target answers, and the request lines that must
// arrive, in order. "{port}" is the server's port.
#include <gtest/gtest.h>

#include "tests/support/httplib_server.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/web/web_test_helpers.h"
#include "web/web_request.h"

namespace pindle {
namespace {

using test::RawHttpServer;

std::string Redirect(int status, const std::string& location, const std::string& extra = "") {
  const char* reason = status == 301   ? "Moved Permanently"
                       : status == 302 ? "Found"
                       : status == 303 ? "See Other"
                                       : "Temporary Redirect";
  return "HTTP/1.1 " + std::to_string(status) + " " + reason + "\r\nLocation: " + location + "\r\n" + extra +
         "Content-Length: 5\r\n\r\nmoved";
}

constexpr const char* kFinal = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfinal";

std::string RequestLine(const std::string& request) { return request.substr(0, request.find("\r\n")); }

// Everything of a request but its request line and Host line.
std::string Rest(const std::string& request) { return request.substr(request.find("\r\n", request.find("Host:")) + 2); }

TEST(WebRequestRedirect, ChainFollowedToTheEnd) {
  RawHttpServer server;
  server.answer("/a", {Redirect(301, "/b", "Set-Cookie: hop=1\r\n")});
  server.answer("/b", {Redirect(302, "http://127.0.0.1:{port}/c")});
  server.answer("/c", {Redirect(307, "d?q=1")});
  server.answer("/d?q=1", {kFinal});
  const WebResponse r = WebRequest({.url = server.url("/a"), .cookies = ""});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "final");
  EXPECT_EQ(r.headers, "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n");
  EXPECT_EQ(r.receivedCookies, "");
  std::vector<std::string> lines;
  for (const auto& request : server.requests()) lines.push_back(RequestLine(request));
  EXPECT_EQ(lines,
            (std::vector<std::string>{"GET /a HTTP/1.1", "GET /b HTTP/1.1", "GET /c HTTP/1.1", "GET /d?q=1 HTTP/1.1"}));
  // Every hop carries the caller's lines, the Referer still naming the URL asked for.
  for (const auto& request : server.requests())
    EXPECT_EQ(Rest(request), "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\nAccept: */*\r\n" +
                                 test::WithPort("Referer: http://127.0.0.1:{port}/a\r\n", server.port()) +
                                 "Accept-Language: zh-cn\r\n\r\n");
}

TEST(WebRequestRedirect, ForbiddenRedirectIsTheAnswer) {
  RawHttpServer server;
  server.answer("/a", {Redirect(302, "/b", "Set-Cookie: s=1; path=/\r\n")});
  server.answer("/b", {kFinal});
  const WebResponse r = WebRequest({.url = server.url("/a"), .cookies = "", .forbidRedirect = true});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.status, 302);
  EXPECT_EQ(r.body, "moved");
  EXPECT_EQ(r.headers, "HTTP/1.1 302 Found\r\nLocation: /b\r\nSet-Cookie: s=1; path=/\r\nContent-Length: 5\r\n\r\n");
  EXPECT_EQ(r.receivedCookies, "s=1");
  EXPECT_EQ(server.requests().size(), 1u);
}

// How each verb and body fare across each kind of redirect.
TEST(WebRequestRedirect, VerbAndBodyAcrossRedirects) {
  struct Case {
    HttpMethodCode method;
    int status;
    const char* wantSecond;  // the request after the redirect, from its request line to the end
  } cases[] = {
      {kPost, 302,
       "GET /b HTTP/1.1\r\n<HOST><UA>Accept: */*\r\nReferer: http://127.0.0.1:{port}/a\r\n"
       "Accept-Language: zh-cn\r\n\r\n"},
      {kPost, 301, "GET /b HTTP/1.1\r\n"},
      {kPut, 303, "GET /b HTTP/1.1\r\n"},
      {kDelete, 302, "GET /b HTTP/1.1\r\n"},
      {kHead, 302, "HEAD /b HTTP/1.1\r\n"},
      {kPost, 307,
       "POST /b HTTP/1.1\r\n<HOST><UA>Accept: */*\r\nReferer: http://127.0.0.1:{port}/a\r\n"
       "Accept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n\r\na=1"},
      {kPut, 307, "PUT /b HTTP/1.1\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(HttpMethodName(c.method)) + " " + std::to_string(c.status));
    RawHttpServer server;
    server.answer("/a", {Redirect(c.status, "/b")});
    server.answer("/b", {c.method == kHead ? "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n" : kFinal});
    const WebResponse r = WebRequest({.url = server.url("/a"), .method = c.method, .postText = "a=1", .cookies = ""});
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.status, 200);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_TRUE(server.requests()[0].starts_with(std::string(HttpMethodName(c.method)) + " /a HTTP/1.1\r\n"));
    std::string want = c.wantSecond;
    for (size_t at; (at = want.find("<UA>")) != std::string::npos;)
      want.replace(at, 4, "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n");
    for (size_t at; (at = want.find("<HOST>")) != std::string::npos;) want.replace(at, 6, "Host: 127.0.0.1:{port}\r\n");
    want = test::WithPort(want, server.port());
    const std::string second = server.requests()[1];
    if (want.ends_with("HTTP/1.1\r\n")) {
      EXPECT_TRUE(second.starts_with(want)) << second;
      const bool keepsVerb = second.starts_with(HttpMethodName(c.method));
      EXPECT_EQ(second.find("Content-Type:") != std::string::npos, keepsVerb && c.method == kPost) << second;
      EXPECT_EQ(second.ends_with("a=1"), keepsVerb && c.method != kHead) << second;
    } else {
      EXPECT_EQ(second, want);
    }
  }
}

TEST(WebRequestRedirect, NotFollowedOutsideHttp) {
  RawHttpServer server;
  server.answer("/a", {Redirect(302, "ftp://127.0.0.1/file")});
  const WebResponse r = WebRequest({.url = server.url("/a"), .cookies = ""});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.status, 302);
  EXPECT_EQ(r.body, "moved");
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST(WebRequestRedirect, LimitOnRedirectsFollowed) {
  test::ScopedWebLimits limits([] {
    WebLimits l;
    l.maxRedirects = 2;
    return l;
  }());
  RawHttpServer server;
  server.answer("/1", {Redirect(302, "/2")});
  server.answer("/2", {Redirect(302, "/3")});
  server.answer("/3", {kFinal});
  server.answer("/0", {Redirect(302, "/1")});
  const WebResponse two = WebRequest({.url = server.url("/1"), .cookies = ""});
  EXPECT_EQ(two.error, "");
  EXPECT_EQ(two.body, "final");

  const WebResponse three = WebRequest({.url = server.url("/0"), .cookies = ""});
  EXPECT_EQ(three.error, "重定向次数过多：超过 2 次");
  EXPECT_EQ(three.body, "");
  EXPECT_EQ(three.status, 302);
  EXPECT_EQ(server.requests().size(), 3u + 3u);
}

TEST(WebRequestRedirect, DefaultLimitIsTen) {
  RawHttpServer server;
  for (int i = 0; i < 11; ++i) server.answer("/" + std::to_string(i), {Redirect(302, "/" + std::to_string(i + 1))});
  server.answer("/11", {kFinal});
  EXPECT_EQ(WebRequest({.url = server.url("/1"), .cookies = ""}).body, "final");  // 10 redirects
  EXPECT_TRUE(WebRequest({.url = server.url("/0"), .cookies = ""}).failed());     // 11
}

TEST(WebRequestRedirect, BetweenHttpAndHttps) {
  test::HttplibLoopbackServer secure(test::SelfSignedCertificate({"127.0.0.1"}), [](httplib::Server& s) {
    s.Get("/hello", [](const httplib::Request&, httplib::Response& res) { res.set_content("hello", "text/plain"); });
  });
  RawHttpServer plain;
  plain.answer("/up", {Redirect(302, secure.url("/hello"))});
  const WebResponse r = WebRequest({.url = plain.url("/up"), .cookies = "", .verifyTls = false});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.body, "hello");

  // With verification on, the certificate of the https hop is checked too.
  const WebResponse checked = WebRequest({.url = plain.url("/up"), .cookies = "", .verifyTls = true});
  EXPECT_TRUE(checked.error.starts_with("证书验证失败：")) << checked.error;
  EXPECT_EQ(checked.body, "");
}

}  // namespace
}  // namespace pindle
