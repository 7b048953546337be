// Connections kept for the length of a batch: one handshake for many requests, and nothing a
// request set up (cookies of its own, verification switched off) carried into the next.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "tests/support/httplib_server.h"
#include "tests/support/request_log.h"
#include "tests/support/test_certificates.h"
#include "web/curl_global.h"
#include "web/multi_transfer.h"
#include "web/web_request.h"

namespace pindle {
namespace {

using test::HttplibLoopbackServer;

// Answers every path with "ok" and notes which connection (client port) each request came on
// and the Cookie line it carried. "/close" asks to close the connection after the answer,
// "/set" sets a cookie.
struct Recorder {
  struct Seen {
    int port = 0;
    std::string cookie;
  };
  test::RequestLog<Seen> log;

  void routes(httplib::Server& server) {
    server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
      log.add({req.remote_port, req.get_header_value("Cookie")});
      if (req.path == "/close") res.set_header("Connection", "close");
      if (req.path == "/set") res.set_header("Set-Cookie", "batch=1; Path=/");
      res.set_content("ok", "text/plain");
    });
  }
  std::vector<std::string> cookieLines() const {
    std::vector<std::string> lines;
    for (const Seen& seen : log.entries()) lines.push_back(seen.cookie);
    return lines;
  }
  size_t connections() const {
    std::set<int> ports;
    for (const Seen& seen : log.entries()) ports.insert(seen.port);
    return ports.size();
  }
};

TEST(ConnectionReuse, ConnectionsPerBatch) {
  struct Case {
    const char* name;
    bool scoped;
    std::vector<std::string> paths;
    size_t connections;
  } cases[] = {
      {"no scope: a connection per request", false, {"/a", "/b", "/c"}, 3},
      {"in a scope: one connection for all", true, {"/a", "/b", "/c", "/d"}, 1},
      {"the service closes after the first: the rest reconnect once", true, {"/close", "/b", "/c"}, 2},
      {"closing every time: every request still answered", true, {"/close", "/close", "/close"}, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Recorder recorder;
    HttplibLoopbackServer server([&](httplib::Server& s) { recorder.routes(s); });
    std::optional<ConnectionReuseScope> scope;
    if (c.scoped) scope.emplace();
    for (const auto& path : c.paths) {
      const WebResponse r = WebRequest({.url = server.url(path), .cookies = "", .verifyTls = false});
      EXPECT_EQ(r.error, "") << path;
      EXPECT_EQ(r.body, "ok") << path;
    }
    EXPECT_EQ(recorder.connections(), c.connections);
  }
}

TEST(ConnectionReuse, ScopeEndClosesItsConnections) {
  Recorder recorder;
  HttplibLoopbackServer server([&](httplib::Server& s) { recorder.routes(s); });
  for (int batch = 0; batch < 2; ++batch) {
    const ConnectionReuseScope scope;
    {
      const ConnectionReuseScope nested;  // an inner scope's end keeps the batch's connection
      EXPECT_EQ(WebRequest({.url = server.url("/a"), .cookies = ""}).body, "ok");
    }
    EXPECT_EQ(WebRequest({.url = server.url("/b"), .cookies = ""}).body, "ok");
  }
  EXPECT_EQ(recorder.connections(), 2u);
}

TEST(ConnectionReuse, RequestsInOneScopeKeepTheirOwnCookies) {
  ClearSharedCookies();
  Recorder recorder;
  HttplibLoopbackServer server([&](httplib::Server& s) { recorder.routes(s); });
  const ConnectionReuseScope scope;
  WebRequest({.url = server.url("/set")});                    // the shared store takes batch=1
  WebRequest({.url = server.url("/own"), .cookies = "x=9"});  // its own cookies only
  WebRequest({.url = server.url("/none"), .cookies = ""});    // none at all
  WebRequest({.url = server.url("/shared")});                 // the store again
  EXPECT_EQ(recorder.cookieLines(), (std::vector<std::string>{"", "x=9", "", "batch=1"}));
  EXPECT_EQ(recorder.connections(), 1u);
  ClearSharedCookies();
}

// The batch's handles go from one request to the next too, the shared store's cookie engine
// staying on for them across a reset; a request with cookies of its own still sends only those.
TEST(ConnectionReuse, BatchHandlesKeepTheStoreAndTheirOwnCookiesApart) {
  ClearSharedCookies();
  Recorder recorder;
  HttplibLoopbackServer server([&](httplib::Server& s) { recorder.routes(s); });
  MultiTransfer transfer(1);
  const std::vector<RequestOptions> sent = {{.url = server.url("/set")},
                                            {.url = server.url("/own"), .cookies = "x=9"},
                                            {.url = server.url("/shared")},
                                            {.url = server.url("/none"), .cookies = ""},
                                            {.url = server.url("/again")}};
  for (size_t i = 0; i < sent.size(); ++i) {
    transfer.start(i, sent[i]);
    while (transfer.run(std::chrono::milliseconds(100)).empty()) {
    }
  }
  EXPECT_EQ(recorder.cookieLines(), (std::vector<std::string>{"", "x=9", "batch=1", "", "batch=1"}));
  EXPECT_EQ(recorder.connections(), 1u);
  ClearSharedCookies();
}

TEST(ConnectionReuse, UnverifiedConnectionIsNotReusedForAVerifiedRequest) {
  HttplibLoopbackServer server(test::SelfSignedCertificate({"127.0.0.1"}), [](httplib::Server& s) {
    s.Get("/hello", [](const httplib::Request&, httplib::Response& res) { res.set_content("hello", "text/plain"); });
  });
  const ConnectionReuseScope scope;
  const WebResponse unverified = WebRequest({.url = server.url("/hello"), .cookies = "", .verifyTls = false});
  EXPECT_EQ(unverified.body, "hello");
  const WebResponse verified = WebRequest({.url = server.url("/hello"), .cookies = "", .verifyTls = true});
  EXPECT_TRUE(verified.error.starts_with("证书验证失败：")) << verified.error;
  EXPECT_EQ(verified.body, "");
}

}  // namespace
}  // namespace pindle
