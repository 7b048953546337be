#include <gtest/gtest.h>
#include <stdlib.h>

#include "tests/support/httplib_server.h"
#include "tests/support/loopback_proxy.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/test_certificates.h"
#include "tests/web/web_test_helpers.h"
#include "web/web_request.h"

namespace pindle {
namespace {

using test::HttplibLoopbackServer;
using test::LoopbackProxy;
using test::RawHttpServer;

void ServeHello(httplib::Server& server) {
  server.Get("/hello", [](const httplib::Request&, httplib::Response& res) { res.set_content("hello", "text/plain"); });
}

// A plain-HTTP URL goes to the proxy in absolute form, with the same lines as a direct request.
TEST(WebRequestProxy, PlainHttpThroughTheProxy) {
  RawHttpServer origin;
  origin.answer("/x", {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
  LoopbackProxy proxy;
  const WebResponse r = WebRequest({.url = origin.url("/x"), .cookies = "", .proxy = proxy.address()});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.body, "ok");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(proxy.requests()[0], test::WithPort("GET http://127.0.0.1:{port}/x HTTP/1.1\r\n", origin.port()) +
                                     test::DefaultHead(origin.port()) +
                                     test::WithPort("Accept: */*\r\nReferer: http://127.0.0.1:{port}/x\r\n"
                                                    "Accept-Language: zh-cn\r\n\r\n",
                                                    origin.port()));
  EXPECT_EQ(origin.requests().size(), 1u);
}

// A TLS URL is tunnelled through the same proxy; the proxy's own answer never shows.
TEST(WebRequestProxy, TlsThroughTheProxy) {
  HttplibLoopbackServer origin(test::SelfSignedCertificate({"127.0.0.1"}), ServeHello);
  LoopbackProxy proxy;
  const WebResponse r =
      WebRequest({.url = origin.url("/hello"), .cookies = "", .proxy = proxy.address(), .verifyTls = false});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.body, "hello");
  EXPECT_TRUE(r.headers.starts_with("HTTP/1.1 200 OK\r\n")) << r.headers;
  EXPECT_EQ(r.headers.find("Connection established"), std::string::npos);
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_TRUE(proxy.requests()[0].starts_with(
      test::WithPort("CONNECT 127.0.0.1:{port} HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\n", origin.port())))
      << proxy.requests()[0];
}

// The proxy a plain-HTTP URL names serves plain HTTP only: its redirect to https goes direct.
TEST(WebRequestProxy, HttpOnlyListSendsHttpsDirect) {
  HttplibLoopbackServer secure(test::SelfSignedCertificate({"127.0.0.1"}), ServeHello);
  RawHttpServer origin;
  origin.answer("/go", {"HTTP/1.1 302 Found\r\nLocation: " + secure.url("/hello") + "\r\nContent-Length: 0\r\n\r\n"});
  LoopbackProxy proxy;
  const WebResponse r =
      WebRequest({.url = origin.url("/go"), .cookies = "", .proxy = proxy.address(), .verifyTls = false});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.body, "hello");
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_TRUE(proxy.requests()[0].starts_with("GET http://")) << proxy.requests()[0];

  // A list written for plain HTTP only, given with a TLS URL: direct as well.
  const WebResponse direct =
      WebRequest({.url = secure.url("/hello"), .cookies = "", .proxy = "http=" + proxy.address(), .verifyTls = false});
  EXPECT_EQ(direct.body, "hello");
  EXPECT_EQ(proxy.requests().size(), 1u);
}

// Proxy variables of the environment are not a proxy the caller named.
TEST(WebRequestProxy, EnvironmentProxyIgnored) {
  RawHttpServer origin;
  origin.answer("/x", {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
  LoopbackProxy proxy;
  const std::string url = "http://" + proxy.address();
  const char* names[] = {"http_proxy", "HTTPS_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"};
  for (const char* name : names) setenv(name, url.c_str(), 1);
  setenv("no_proxy", "", 1);
  const WebResponse unnamed = WebRequest({.url = origin.url("/x"), .cookies = ""});
  const WebResponse empty = WebRequest({.url = origin.url("/x"), .cookies = "", .proxy = ""});
  for (const char* name : names) unsetenv(name);
  unsetenv("no_proxy");
  EXPECT_EQ(unnamed.body, "ok");
  EXPECT_EQ(empty.body, "ok");
  EXPECT_EQ(proxy.requests().size(), 0u);
  EXPECT_EQ(origin.requests().size(), 2u);
}

TEST(WebRequestProxy, NoProxyListening) {
  int port;
  {
    test::LoopbackAcceptor closed(nullptr);
    port = closed.port();
  }
  RawHttpServer origin;
  const WebResponse r =
      WebRequest({.url = origin.url("/x"), .cookies = "", .proxy = "127.0.0.1:" + std::to_string(port)});
  EXPECT_TRUE(r.error.starts_with("无法连接服务器：")) << r.error;
  EXPECT_EQ(origin.requests().size(), 0u);
}

}  // namespace
}  // namespace pindle
