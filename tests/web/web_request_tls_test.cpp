#include <gtest/gtest.h>

#include "config/app_paths.h"
#include "config/settings.h"
#include "tests/support/httplib_server.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_certificates.h"
#include "web/web_request.h"

namespace pindle {
namespace {

using test::HttplibLoopbackServer;
using test::TestCertificate;
using test::TestCertificateAuthority;

void ServeHello(httplib::Server& server) {
  server.Get("/hello", [](const httplib::Request&, httplib::Response& res) { res.set_content("hello", "text/plain"); });
}

// One authority for the whole run; key generation is the slow part.
const TestCertificateAuthority& Authority() {
  static const TestCertificateAuthority authority;
  return authority;
}

class WebRequestTls : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.write("ca.pem", Authority().certificate().certPem());
    caFile_ = dir_.file("ca.pem");
  }

  test::TempDir dir_;
  Text caFile_;
};

TEST_F(WebRequestTls, VerificationOnAndOff) {
  struct Case {
    const char* name;
    TestCertificate certificate;
    bool verify;
    bool trustTestAuthority;
    bool wantRefused;
  } cases[] = {
      {"issued by a trusted authority", Authority().issue({"127.0.0.1", "localhost"}), true, true, false},
      {"authority unknown to the system", Authority().issue({"127.0.0.1"}), true, false, true},
      {"self-signed", test::SelfSignedCertificate({"127.0.0.1"}), true, true, true},
      {"expired", Authority().issue({"127.0.0.1"}, {-3 * 86400, -86400}), true, true, true},
      {"issued for another host", Authority().issue({"other.example"}), true, true, true},
      {"self-signed, verification off", test::SelfSignedCertificate({"127.0.0.1"}), false, false, false},
      {"expired, verification off", Authority().issue({"127.0.0.1"}, {-3 * 86400, -86400}), false, false, false},
      {"another host, verification off", Authority().issue({"other.example"}), false, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HttplibLoopbackServer server(c.certificate, ServeHello);
    RequestOptions options{.url = server.url("/hello"), .cookies = "", .verifyTls = c.verify};
    if (c.trustTestAuthority) options.caFile = caFile_;
    const WebResponse r = WebRequest(options);
    if (c.wantRefused) {
      EXPECT_TRUE(r.error.starts_with("证书验证失败：")) << r.error;
      EXPECT_GT(r.error.size(), std::string("证书验证失败：").size());
      EXPECT_NE(r.error.find("勾选设定页的“忽略证书错误”"), std::string::npos) << "names the way past it";
      EXPECT_EQ(r.body, "");
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(r.headers, std::string(5000, ' '));
    } else {
      EXPECT_EQ(r.error, "");
      EXPECT_EQ(r.body, "hello");
      EXPECT_EQ(r.status, 200);
      EXPECT_TRUE(r.headers.starts_with("HTTP/1.1 200 OK\r\n")) << r.headers;
    }
  }
}

TEST_F(WebRequestTls, SchemeInCapitalsStillMeansTls) {
  HttplibLoopbackServer server(test::SelfSignedCertificate({"127.0.0.1"}), ServeHello);
  Text url = server.url("/hello");
  url.replace(0, 5, "HTTPS");
  const WebResponse r = WebRequest({.url = url, .verifyTls = false});
  EXPECT_EQ(r.error, "");
  EXPECT_EQ(r.body, "hello");
}

// The program passes the switch "忽略证书错误" of Setting.ini; no file means verification.
TEST_F(WebRequestTls, SettingsSwitchTurnsVerificationOff) {
  const AppPaths saved = Paths();
  SetPaths(AppPaths::FromProgramDirectory(dir_.path()));
  HttplibLoopbackServer server(test::SelfSignedCertificate({"127.0.0.1"}), ServeHello);
  const auto get = [&] {
    return WebRequest({.url = server.url("/hello"), .cookies = "", .verifyTls = VerifyTlsSetting()});
  };

  EXPECT_TRUE(get().error.starts_with("证书验证失败：")) << "no Setting.ini";
  ASSERT_TRUE(Settings::write(kSoftwareSection, "忽略证书错误", kOff));
  EXPECT_TRUE(get().error.starts_with("证书验证失败：")) << "switch off";
  ASSERT_TRUE(Settings::write(kSoftwareSection, "忽略证书错误", kOn));
  EXPECT_EQ(get().body, "hello") << "switch on";
  EXPECT_TRUE(WebRequest({.url = server.url("/hello")}).failed()) << "verified when the caller says nothing";

  SetPaths(AppPaths{});
  EXPECT_TRUE(get().error.starts_with("证书验证失败：")) << "no paths set";
  SetPaths(saved);
}

}  // namespace
}  // namespace pindle
