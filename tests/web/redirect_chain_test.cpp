#include "web/redirect_chain.h"

#include <gtest/gtest.h>

#include <atomic>

#include "tests/support/httplib_server.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/request_log.h"
#include "tests/support/test_certificates.h"
#include "tests/web/web_test_helpers.h"

namespace pindle {
namespace {

using test::HttplibLoopbackServer;

// Redirects by path, HEAD refused where the path says so, and the verbs that arrived.
struct ChainService {
  test::RequestLog<> verbs;
  std::atomic<size_t> streamed{0};

  void routes(httplib::Server& s) {
    s.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
      verbs.add(req.method + " " + req.path);
      if (req.method == "HEAD" && req.path.find("nohead") != std::string::npos) {
        res.status = 405;
        return httplib::Server::HandlerResponse::Handled;
      }
      return httplib::Server::HandlerResponse::Unhandled;
    });
    auto redirect = [&s](const std::string& from, int status, const std::string& to) {
      s.Get(from, [status, to](const httplib::Request&, httplib::Response& res) {
        res.status = status;
        res.set_header("Location", to);
        res.set_content("moved", "text/plain");
      });
    };
    redirect("/a", 301, "/b");
    redirect("/c", 307, "d?q=1");
    s.Get("/d", [](const httplib::Request&, httplib::Response& res) { res.set_content("final", "text/plain"); });
    redirect("/x", 302, "/y");
    redirect("/y", 302, "/x");
    s.Get(R"(/n/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "/n/" + std::to_string(std::stoi(req.matches[1]) + 1));
    });
    redirect("/nohead/start", 303, "/nohead/stream");
    // A body that never ends.
    s.Get("/nohead/stream", [this](const httplib::Request&, httplib::Response& res) {
      res.set_chunked_content_provider("text/plain", [this](size_t, httplib::DataSink& sink) {
        static const std::string chunk(16384, 'z');
        streamed += chunk.size();
        return sink.write(chunk.data(), chunk.size());
      });
    });
  }
};

TEST(RedirectChain, FollowsHopByHopWithoutBodies) {
  ChainService service;
  HttplibLoopbackServer server([&](httplib::Server& s) {
    service.routes(s);
    // /b leads to an absolute address on this server; its port is known once it listens.
    s.Get("/b", [](const httplib::Request& req, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", "http://" + req.get_header_value("Host") + "/c");
    });
  });
  const std::string base = server.url("");
  struct Case {
    std::string start;
    std::vector<std::pair<std::string, int>> hops;
    std::string finalPath, errorHas;
  } cases[] = {
      {"/a", {{"/a", 301}, {"/b", 302}, {"/c", 307}, {"/d?q=1", 200}}, "/d?q=1", ""},
      {"/x", {{"/x", 302}, {"/y", 302}, {"/x", 0}}, "", "跳转成环"},
      {"/nohead/start", {{"/nohead/start", 303}, {"/nohead/stream", 200}}, "/nohead/stream", ""},
      {"/missing", {{"/missing", 404}}, "/missing", ""},
  };
  for (const auto& c : cases) {
    const RedirectChain chain = FollowRedirectChain(base + c.start);
    ASSERT_EQ(chain.hops.size(), c.hops.size()) << c.start << " " << chain.error;
    for (size_t i = 0; i < c.hops.size(); ++i) {
      EXPECT_EQ(chain.hops[i].url, base + c.hops[i].first) << c.start;
      EXPECT_EQ(chain.hops[i].status, c.hops[i].second) << c.start << " hop " << i;
    }
    EXPECT_EQ(chain.finalUrl, c.finalPath.empty() ? "" : base + c.finalPath);
    if (c.errorHas.empty())
      EXPECT_TRUE(chain.ok()) << chain.error;
    else
      EXPECT_NE(chain.error.find(c.errorHas), std::string::npos) << chain.error;
  }
  const std::vector<std::string> verbs = service.verbs.entries();
  // HEAD wherever it is answered; GET only where it was refused or failed (the 404).
  ASSERT_FALSE(verbs.empty());
  EXPECT_EQ(verbs[0], "HEAD /a");
  EXPECT_EQ(std::count_if(verbs.begin(), verbs.end(), [](const std::string& v) { return v.rfind("GET", 0) == 0; }), 3);
  EXPECT_LT(service.streamed.load(), 8u << 20) << "the endless body was read on";
}

TEST(RedirectChain, StopsAfterTenRedirectsAndRefusesOtherSchemes) {
  ChainService service;
  HttplibLoopbackServer server([&](httplib::Server& s) { service.routes(s); });
  RedirectChain chain = FollowRedirectChain(server.url("/n/0"));
  EXPECT_EQ(chain.hops.size(), 11u);
  EXPECT_NE(chain.error.find("10"), std::string::npos) << chain.error;
  EXPECT_EQ(chain.finalUrl, "");
  chain = FollowRedirectChain(server.url("/n/5"), {.maxHops = 2});
  EXPECT_EQ(chain.hops.size(), 3u);
  for (const char* url : {"ftp://127.0.0.1/x", "", "javascript:alert(1)"}) {
    chain = FollowRedirectChain(url);
    EXPECT_FALSE(chain.ok()) << url;
    EXPECT_TRUE(chain.hops.empty());
  }
}

TEST(RedirectChain, CertificateRuleAndDeadServer) {
  const test::TestCertificate certificate = test::SelfSignedCertificate({"127.0.0.1"});
  HttplibLoopbackServer server(certificate, [](httplib::Server& s) {
    s.Get("/s", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });
  });
  EXPECT_FALSE(FollowRedirectChain(server.url("/s")).ok());
  const RedirectChain lax = FollowRedirectChain(server.url("/s"), {.verifyTls = false});
  EXPECT_TRUE(lax.ok()) << lax.error;
  EXPECT_EQ(lax.finalUrl, server.url("/s"));
  int closedPort = 0;
  {
    HttplibLoopbackServer gone([](httplib::Server&) {});
    closedPort = gone.port();
  }
  const RedirectChain dead = FollowRedirectChain("http://127.0.0.1:" + std::to_string(closedPort) + "/");
  EXPECT_FALSE(dead.ok());
  ASSERT_EQ(dead.hops.size(), 1u);
  EXPECT_EQ(dead.hops[0].status, 0);

  // A link whose destination is down still tells where it leads.
  const std::string down = "http://127.0.0.1:" + std::to_string(closedPort) + "/dest";
  HttplibLoopbackServer shortener([&](httplib::Server& s) {
    s.Get("/s", [&](const httplib::Request&, httplib::Response& res) { res.set_redirect(down, 302); });
  });
  const RedirectChain toDown = FollowRedirectChain(shortener.url("/s"));
  EXPECT_TRUE(toDown.ok()) << toDown.error;
  EXPECT_EQ(toDown.finalUrl, down);
  EXPECT_FALSE(toDown.unreached.empty());
  ASSERT_EQ(toDown.hops.size(), 2u);
  EXPECT_EQ(toDown.hops[1].status, 0);

  // A service that takes the request and never answers ends at the stall limit, like any request.
  const test::ScopedWebLimits quick(test::QuickLimits());
  test::RawHttpServer silent;
  silent.answerOthers({"", test::RawReply::Stall});
  const RedirectChain stalled = FollowRedirectChain(silent.url("/x"));
  EXPECT_FALSE(stalled.ok());
  EXPECT_EQ(stalled.hops.size(), 1u);
}

}  // namespace
}  // namespace pindle
