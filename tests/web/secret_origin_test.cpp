// Secrets stay with the origin of the request's first address: what each redirect brings to a
// server on another loopback address (127.0.0.2), and what stays when a redirect keeps to one origin.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/httplib_server.h"
#include "tests/support/loopback_proxy.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/test_certificates.h"
#include "text/secret_mask.h"
#include "text/text_utils.h"
#include "web/redirect_chain.h"
#include "web/web_request.h"

namespace pindle {
namespace {

using test::RawHttpServer;

constexpr const char* kKey = "k3y/S+cret";
// As a plug-in's address or form writes it.
constexpr const char* kEncodedKey = "k3y%2FS%2Bcret";
constexpr const char* kHeaders =
    "Authorization: Bearer k3y/S+cret\r\nX-Api-Key: k3y/S+cret\r\nCookie: theme=dark\r\nX-Trace: plain";

std::string RequestLine(const std::string& request) { return request.substr(0, request.find(" HTTP/1.1\r\n")); }

std::vector<std::string> RequestLines(const RawHttpServer& server) {
  std::vector<std::string> lines;
  for (const std::string& request : server.requests()) lines.push_back(RequestLine(request));
  return lines;
}

// The value of the request's header line `name` (letter case free), or nothing.
std::optional<std::string> Header(const std::string& request, const std::string& name) {
  const std::string head = ToLowerAscii(request.substr(0, request.find("\r\n\r\n") + 2));
  const size_t at = head.find("\r\n" + ToLowerAscii(name) + ":");
  if (at == std::string::npos) return std::nullopt;
  const size_t start = at + 3 + name.size();
  return Trim(request.substr(start, request.find("\r\n", start) - start));
}

// "302 {x}/land" answers with that status and Location ("{o}" the origin's base, "{x}" the other
// site's); "200" with a final answer.
std::string Reply(std::string reply, const std::string& origin, const std::string& other) {
  if (reply == "200") return "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfinal";
  for (const auto& [mark, base] : {std::pair{std::string("{o}"), origin}, std::pair{std::string("{x}"), other}})
    for (size_t at = reply.find(mark); at != std::string::npos; at = reply.find(mark)) reply.replace(at, 3, base);
  const std::string status = reply.substr(0, 3);
  return "HTTP/1.1 " + status + " Moved\r\nLocation: " + reply.substr(4) + "\r\nContent-Length: 5\r\n\r\nmoved";
}

TEST(SecretOrigin, RedirectsTakeNoSecretToAnotherSite) {
  RawHttpServer origin;              // 127.0.0.1: where the key was given
  RawHttpServer other("127.0.0.2");  // another site
  const std::string o = "http://127.0.0.1:" + std::to_string(origin.port());
  const std::string x = "http://127.0.0.2:" + std::to_string(other.port());
  const std::string keyInBody = std::string("token=") + kEncodedKey + "&url=x";
  const std::string elsewhere = "服务把请求转到另一个网站（127.0.0.2），密钥不随之发送";
  struct Hop {
    bool atOther;
    std::string target, reply;
  };
  struct Exchange {
    const char* what;
    HttpMethodCode method;
    std::string body;
    std::vector<Hop> hops;  // the first is asked first
    std::string error;
    std::vector<std::string> reachOrigin, reachOther;  // the request lines each server gets
    bool keyGoesAlong;  // every request at the origin carries the key (else only the first)
  } exchanges[] = {
      // To another origin: the key's lines stay behind, the rest go on.
      {"302", kGet, "", {{false, "/a", "302 {x}/land"}, {true, "/land", "200"}}, "", {"GET /a"}, {"GET /land"}, false},
      {"301 chain",
       kGet,
       "",
       {{false, "/a", "301 /b"}, {false, "/b", "301 {x}/c"}, {true, "/c", "301 /d"}, {true, "/d", "200"}},
       "",
       {"GET /a", "GET /b"},
       {"GET /c", "GET /d"},
       true},
      {"307 POST, key in the body",
       kPost,
       keyInBody,
       {{false, "/a", "307 {x}/land"}},
       elsewhere,
       {"POST /a"},
       {},
       false},
      {"307 POST, key in the headers only",
       kPost,
       "url=x",
       {{false, "/a", "307 {x}/land"}, {true, "/land", "200"}},
       "",
       {"POST /a"},
       {"POST /land"},
       false},
      {"303 after a POST with the key in the body: no body goes on",
       kPost,
       keyInBody,
       {{false, "/a", "303 {x}/land"}, {true, "/land", "200"}},
       "",
       {"POST /a"},
       {"GET /land"},
       false},
      {"key in the query",
       kGet,
       "",
       {{false, std::string("/a?key=") + kEncodedKey, "302 {x}/land"}, {true, "/land", "200"}},
       "",
       {std::string("GET /a?key=") + kEncodedKey},
       {"GET /land"},
       false},
      {"the new address holds the key",
       kGet,
       "",
       {{false, std::string("/a?key=") + kEncodedKey, std::string("302 {x}/land?k=") + kEncodedKey}},
       elsewhere,
       {std::string("GET /a?key=") + kEncodedKey},
       {},
       false},
      {"a detour through another site and back",
       kGet,
       "",
       {{false, "/a", "302 {x}/b"}, {true, "/b", "302 {o}/c"}, {false, "/c", "200"}},
       "",
       {"GET /a", "GET /c"},
       {"GET /b"},
       true},
      // Within one origin everything goes along.
      {"302 within",
       kGet,
       "",
       {{false, "/a", "302 /land"}, {false, "/land", "200"}},
       "",
       {"GET /a", "GET /land"},
       {},
       true},
      {"301 chain within",
       kGet,
       "",
       {{false, "/a", "301 /b"}, {false, "/b", "301 {o}/c"}, {false, "/c", "200"}},
       "",
       {"GET /a", "GET /b", "GET /c"},
       {},
       true},
      {"307 POST within",
       kPost,
       keyInBody,
       {{false, "/a", "307 /land"}, {false, "/land", "200"}},
       "",
       {"POST /a", "POST /land"},
       {},
       true},
      {"key in the query within",
       kGet,
       "",
       {{false, std::string("/a?key=") + kEncodedKey, std::string("302 /land?k=") + kEncodedKey},
        {false, std::string("/land?k=") + kEncodedKey, "200"}},
       "",
       {std::string("GET /a?key=") + kEncodedKey, std::string("GET /land?k=") + kEncodedKey},
       {},
       true},
  };
  const std::vector<Text> secrets{kKey};
  for (const Exchange& e : exchanges) {
    SCOPED_TRACE(e.what);
    origin.clearRequests();
    other.clearRequests();
    for (const Hop& hop : e.hops) (hop.atOther ? other : origin).answer(hop.target, {Reply(hop.reply, o, x)});
    RequestOptions options{
        .url = o + e.hops.front().target, .method = e.method, .cookies = "jar=1", .extraHeaders = kHeaders};
    if (e.method == kPost) options.postText = e.body;
    options.secrets = secrets;
    const WebResponse r = WebRequest(options);
    EXPECT_EQ(r.error, e.error);
    EXPECT_EQ(r.status, e.error.empty() ? 200 : std::stoi(e.hops.back().reply.substr(0, 3)));
    EXPECT_EQ(RequestLines(origin), e.reachOrigin);
    EXPECT_EQ(RequestLines(other), e.reachOther);
    // The other site sees no secret in any form, no credentials and no cookie, but the rest.
    for (const std::string& request : other.requests()) {
      EXPECT_FALSE(HoldsSecret(request, secrets)) << request;
      EXPECT_FALSE(Header(request, "Authorization")) << request;
      EXPECT_FALSE(Header(request, "Cookie")) << request;
      EXPECT_EQ(Header(request, "X-Trace"), "plain") << request;
    }
    // The origin gets the key on every hop that is its own; the Referer never holds it.
    const std::vector<std::string> atOrigin = origin.requests();
    for (size_t i = 0; i < atOrigin.size(); ++i) {
      if (i > 0 && !e.keyGoesAlong) break;
      EXPECT_EQ(Header(atOrigin[i], "Authorization"), std::string("Bearer ") + kKey) << atOrigin[i];
      EXPECT_EQ(Header(atOrigin[i], "Cookie"), "theme=dark") << atOrigin[i];
      EXPECT_NE(atOrigin[i].find("\r\nCookie: jar=1\r\n"), std::string::npos) << atOrigin[i];
    }
    for (const auto& server : {&origin, &other})
      for (const std::string& request : server->requests())
        EXPECT_FALSE(HoldsSecret(Header(request, "Referer").value_or(""), secrets)) << request;
    if (e.method == kPost && e.keyGoesAlong && atOrigin.size() > 1) {
      EXPECT_NE(atOrigin.back().find(keyInBody), std::string::npos) << "the body went along";
    }
  }
}

// Without secrets named, credentials and cookies still stay with their origin; other lines go on.
TEST(SecretOrigin, CredentialsAndCookiesStayWithTheirOrigin) {
  RawHttpServer origin;
  RawHttpServer other("127.0.0.2");
  origin.answer("/a", {Reply("302 {x}/land", "", "http://127.0.0.2:" + std::to_string(other.port()))});
  other.answer("/land", {Reply("200", "", "")});
  const WebResponse r = WebRequest({.url = origin.url("/a"),
                                    .cookies = "jar=1",
                                    .extraHeaders = "Authorization: Basic dTpw\r\nProxy-Authorization: Basic dTpw\r\n"
                                                    "Cookie: theme=dark\r\nX-Api-Key: not-named"});
  EXPECT_EQ(r.error, "");
  ASSERT_EQ(other.requests().size(), 1u);
  const std::string landed = other.requests()[0];
  EXPECT_FALSE(Header(landed, "Authorization")) << landed;
  EXPECT_FALSE(Header(landed, "Proxy-Authorization")) << landed;
  EXPECT_FALSE(Header(landed, "Cookie")) << landed;
  EXPECT_EQ(Header(landed, "X-Api-Key"), "not-named");
  // The origin had them all.
  EXPECT_EQ(Header(origin.lastRequest(), "Proxy-Authorization"), "Basic dTpw");
  EXPECT_EQ(Header(origin.lastRequest(), "Cookie"), "theme=dark");
  EXPECT_NE(origin.lastRequest().find("\r\nCookie: jar=1\r\n"), std::string::npos);
}

// Expanding sends no plug-in's header; credentials written in the link stay with its origin.
TEST(SecretOrigin, ExpandingTakesNoCredentialsElsewhere) {
  RawHttpServer origin;
  RawHttpServer other("127.0.0.2");
  origin.answer("/a", {Reply("302 /b", "", "")});
  origin.answer("/b", {Reply("302 {x}/land", "", "http://127.0.0.2:" + std::to_string(other.port()))});
  other.answer("/land", {Reply("200", "", "")});
  const RedirectChain chain = FollowRedirectChain("http://user:" + std::string("pw-") +
                                                  "s3cr3t@127.0.0.1:" + std::to_string(origin.port()) + "/a");
  EXPECT_EQ(chain.error, "");
  EXPECT_EQ(chain.finalUrl, other.url("/land"));
  ASSERT_FALSE(other.requests().empty());
  for (const std::string& request : other.requests()) {
    EXPECT_FALSE(Header(request, "Authorization")) << request;
    EXPECT_EQ(request.find("s3cr3t"), std::string::npos) << request;
  }
}

// An https request through a proxy: the proxy is asked for a tunnel only, the key's lines go
// through the tunnel to the service alone.
TEST(SecretOrigin, ProxyOfAnHttpsRequestSeesNoKey) {
  test::HttplibLoopbackServer service(test::SelfSignedCertificate({"127.0.0.1"}), [](httplib::Server& s) {
    s.Get("/api", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.get_header_value("Authorization"), "text/plain");
    });
  });
  test::LoopbackProxy proxy;
  const WebResponse r = WebRequest({.url = service.url("/api"),
                                    .extraHeaders = kHeaders,
                                    .proxy = proxy.address(),
                                    .verifyTls = false,
                                    .secrets = std::vector<Text>{kKey}});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.body, std::string("Bearer ") + kKey);
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_TRUE(proxy.requests()[0].starts_with("CONNECT ")) << proxy.requests()[0];
  EXPECT_FALSE(HoldsSecret(proxy.requests()[0], {kKey})) << proxy.requests()[0];
}

}  // namespace
}  // namespace pindle
