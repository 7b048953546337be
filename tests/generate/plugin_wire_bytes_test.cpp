#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generate/shorten_engine.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"

namespace pindle {
namespace {

// A plug-in's own texts go out in the encoding its file is saved in; the long URL ("中") keeps
// its code page 936 escapes whatever the file's encoding.
TEST(PluginWireBytes, FileEncodingDecidesTheBytesSent) {
  struct Case {
    const char* what;
    bool utf8File;
    const char* type;
    std::string wantLine;
    std::string wantHeader;
    std::string wantBody;
  };
  const std::vector<Case> cases = {
      {"GBK GET", false, "GET", "GET /%B6%CC?title=%B6%CC%C1%B4&u=%D6%D0 HTTP/1.1", "X-T: \xB6\xCC", ""},
      {"UTF-8 GET", true, "GET", "GET /%E7%9F%AD?title=%E7%9F%AD%E9%93%BE&u=%D6%D0 HTTP/1.1", "X-T: 短", ""},
      {"GBK POST", false, "POST", "POST /%B6%CC? HTTP/1.1", "X-T: \xB6\xCC", "title=\xB6\xCC\xC1\xB4&u=%D6%D0"},
      {"UTF-8 POST", true, "POST", "POST /%E7%9F%AD? HTTP/1.1", "X-T: 短", "title=短链&u=%D6%D0"},
  };
  test::RawHttpServer server;
  server.answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nS/ok", test::RawReply::Close});
  test::TempDir dir;
  for (const auto& c : cases) {
    const std::string file = test::WritePlugin(
        dir, "p.json", {.type = c.type, .path = server.url("/短?"), .data = "title=短链&u=$Url$", .headers = "X-T: 短"},
        c.utf8File);
    server.clearRequests();
    JsonDocument document;
    EXPECT_EQ(ShortenOne(file, "中", document), "S/ok") << c.what;
    const std::string request = server.lastRequest();
    EXPECT_EQ(request.substr(0, request.find("\r\n")), c.wantLine) << c.what;
    EXPECT_NE(request.find("\r\n" + c.wantHeader + "\r\n"), std::string::npos) << c.what << "\n" << request;
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), c.wantBody) << c.what;
  }
}

}  // namespace
}  // namespace pindle
