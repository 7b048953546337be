#include "web/url_helpers.h"

#include <gtest/gtest.h>

#include "web/proxy_list.h"
#include "web/request_target.h"

namespace pindle {
namespace {

TEST(UrlHelpers, HostPortAndPath) {
  struct Case {
    const char* url;
    const char* host;
    const char* hostWithPort;
    int port;
    const char* path;
  } cases[] = {
      {"http://a.b.c:81/x", "a.b.c", "a.b.c:81", 81, "/x"},
      {"https://a.b", "a.b", "a.b", 443, "/"},
      {"a.b", "a.b", "a.b", 80, "/"},
      {"http://a.b:xyz/", "a.b", "a.b:xyz", 0, "/"},
      {"http://a.b", "a.b", "a.b", 80, "/"},
      {"http://a.b?q=1", "a.b?q=1", "a.b?q=1", 80, "/"},
      {"A.B/x?y", "a.b", "a.b", 80, "/x?y"},
      {"https://Host:8443/x", "host", "host:8443", 8443, "/x"},
      {"HTTPS://Host/Path?Q=A#F", "host", "host", 443, "/Path?Q=A#F"},
      {"", "", "", 80, "/"},
      {"http://a.b/x?u=http://c.d/e", "a.b", "a.b", 80, "/x?u=http://c.d/e"},
      {"http://例子.中国/路径", "例子.中国", "例子.中国", 80, "/路径"},
      // A host that also occurs inside the scheme: the path still starts behind the host.
      {"http://h/x", "h", "h", 80, "/x"},
      {"https://tp:8080/p", "tp", "tp:8080", 8080, "/p"},
      // The classic rule: not starting with https://, the host follows the first http:// anywhere.
      {"ftp://x/?u=HTTP://C.d:9/e", "c.d", "c.d:9", 9, "/e"},
      {"https:/", "https", "https:", 0, "/"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UrlHost(c.url), c.host) << c.url;
    EXPECT_EQ(UrlHost(c.url, true), c.hostWithPort) << c.url;
    EXPECT_EQ(UrlPort(c.url), c.port) << c.url;
    EXPECT_EQ(UrlPath(c.url), c.path) << c.url;
  }
}

TEST(RequestTarget, SchemeHostPortAndWireUrl) {
  struct Case {
    const char* url;
    bool tls;
    const char* curlUrl;  // empty: the URL is refused
  } cases[] = {
      {"http://a.b/x", false, "http://a.b:80/x"},
      {"HTTPS://A.B/x", true, "https://a.b:443/x"},
      {"http://a.b:443/x", false, "http://a.b:443/x"},
      {"https://a.b:80/", true, "https://a.b:80/"},
      {"a.b/x y", false, "http://a.b:80/x%20y"},
      {"http://a.b:xyz/", false, "http://a.b:80/"},
      {"https://a.b:/", true, "https://a.b:443/"},
      {"http://a.b/中文?q=文", false, "http://a.b:80/%D6%D0%CE%C4?q=%CE%C4"},
      {"http://a.b/\x7f\t", false, "http://a.b:80/%7F%09"},
      {"http:///x", false, ""},
      {"http://a.b?q=1", false, ""},
      {"http://u@a.b/", false, ""},
      {"http://a.b:70000/", false, ""},
      {"http://a.b:-1/", false, ""},
  };
  for (const auto& c : cases) {
    const RequestTarget t = ResolveRequestTarget(c.url);
    if (*c.curlUrl) {
      EXPECT_EQ(t.error, "") << c.url;
      EXPECT_EQ(t.tls, c.tls) << c.url;
      EXPECT_EQ(t.curlUrl, c.curlUrl) << c.url;
    } else {
      EXPECT_TRUE(t.error.starts_with("网址无效：")) << c.url << " -> " << t.error;
    }
  }
}

TEST(ProxyList, OneProxyForEverySchemeOrForPlainHttpOnly) {
  struct Case {
    const char* proxy;
    bool tlsUrl;
    const char* forHttp;
    const char* forHttps;
  } cases[] = {
      {"", false, "", ""},
      {"", true, "", ""},
      {"p.q:8080", true, "http://p.q:8080", "http://p.q:8080"},
      {"p.q:8080", false, "http://p.q:8080", ""},  // the list becomes "http=p.q:8080"
      {"p.q", true, "http://p.q:80", "http://p.q:80"},
      {"http=p.q:1;https=s.t:2", true, "http://p.q:1", "http://s.t:2"},
      {"https=s.t:2 all.x:3", true, "http://all.x:3", "http://s.t:2"},
  };
  for (const auto& c : cases) {
    const Text list = ProxyListFor(c.proxy, c.tlsUrl);
    EXPECT_EQ(ProxyForScheme(list, false), c.forHttp) << c.proxy << " " << c.tlsUrl;
    EXPECT_EQ(ProxyForScheme(list, true), c.forHttps) << c.proxy << " " << c.tlsUrl;
  }
}

}  // namespace
}  // namespace pindle
