#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "generate/shorten_engine.h"
#include "generate/shorten_trace.h"
#include "tests/support/httplib_server.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/request_log.h"

namespace pindle {
namespace {

// A plug-in's own texts go out in the encoding its file is saved in; the long URL ("中") keeps
// its code page 936 escapes whatever the file's encoding.
TEST(PluginWireBytes, FileEncodingDecidesTheBytesSent) {
  struct Case {
    const char* what;
    bool utf8File;
    const char* encoding;
    const char* type;
    std::string wantLine;
    std::string wantHeader;
    std::string wantBody;
  };
  const std::vector<Case> cases = {
      {"GBK GET", false, "", "GET", "GET /%B6%CC?title=%B6%CC%C1%B4&u=%D6%D0 HTTP/1.1", "X-T: \xB6\xCC", ""},
      {"UTF-8 GET", true, "", "GET", "GET /%E7%9F%AD?title=%E7%9F%AD%E9%93%BE&u=%D6%D0 HTTP/1.1", "X-T: 短", ""},
      {"GBK POST", false, "", "POST", "POST /%B6%CC? HTTP/1.1", "X-T: \xB6\xCC", "title=\xB6\xCC\xC1\xB4&u=%D6%D0"},
      {"UTF-8 POST", true, "", "POST", "POST /%E7%9F%AD? HTTP/1.1", "X-T: 短", "title=短链&u=%D6%D0"},
      // "Encoding" decides for the whole file, the long URL included, whatever the file is saved in.
      {"Encoding UTF-8 GET", false, "UTF-8", "GET", "GET /%E7%9F%AD?title=%E7%9F%AD%E9%93%BE&u=%E4%B8%AD HTTP/1.1",
       "X-T: 短", ""},
      {"Encoding utf8 POST", false, "utf8", "POST", "POST /%E7%9F%AD? HTTP/1.1", "X-T: 短", "title=短链&u=%E4%B8%AD"},
      {"Encoding GBK POST", true, "GBK", "POST", "POST /%B6%CC? HTTP/1.1", "X-T: \xB6\xCC",
       "title=\xB6\xCC\xC1\xB4&u=%D6%D0"},
  };
  test::RawHttpServer server;
  server.answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nS/ok", test::RawReply::Close});
  test::TempDir dir;
  for (const auto& c : cases) {
    const std::string file = test::WritePlugin(dir, "p.json",
                                               {.type = c.type,
                                                .path = server.url("/短?"),
                                                .data = "title=短链&u=$Url$",
                                                .headers = "X-T: 短",
                                                .encoding = c.encoding},
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

namespace pindle {
namespace {

// A multipart plug-in's form fields, placeholders filled, arrive as text parts with their bytes.
TEST(PluginWireBytes, MultipartFieldsReadBackByTheService) {
  struct Seen {
    std::string contentType;
    std::multimap<std::string, std::string> parts;
  };
  test::RequestLog<Seen> log;
  test::HttplibLoopbackServer server([&](httplib::Server& s) {
    s.Post("/m", [&](const httplib::Request& req, httplib::Response& res) {
      Seen seen{req.get_header_value("Content-Type"), {}};
      for (const auto& [name, part] : req.files)
        seen.parts.emplace(name, part.content + (part.filename.empty() ? "" : "|file"));
      log.add(std::move(seen));
      res.set_content("https://s/m", "text/plain");
    });
  });
  test::TempDir dir;
  const std::string file = test::WritePlugin(dir, "m.json",
                                             {.type = "POST",
                                              .path = server.url("/m"),
                                              .data = "url=$Url$&raw=$RawUrl$&note=短 链&key=$Field:Key$&&empty=",
                                              .bodyType = "multipart",
                                              .encoding = "UTF-8",
                                              .fields = R"([{"Name": "Key", "Secret": true}])"});
  JsonDocument document;
  Text failure;
  ShortenInputs inputs;
  inputs.fieldValues = {{"Key", "a&b=c"}};
  EXPECT_EQ(ShortenOne(file, "http://h/?a=1&b=中", document, &failure, inputs), "https://s/m") << failure;
  ASSERT_FALSE(log.empty());
  const Seen seen = log.last();
  EXPECT_EQ(seen.contentType.rfind("multipart/form-data; boundary=", 0), 0u) << seen.contentType;
  const std::multimap<std::string, std::string> want = {
      {"url", "http://h/?a=1&b=中"}, {"raw", "http://h/?a=1&b=中"}, {"note", "短 链"}, {"key", "a&b=c"}, {"empty", ""}};
  EXPECT_EQ(seen.parts, want);
}

// Field values through the address, a form, a JSON body and a header; a secret the service
// echoes back never shows in the result, the failure or the trace.
TEST(PluginWireBytes, FieldsFillEveryPlaceAndSecretsStayHidden) {
  test::RawHttpServer server;
  server.answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 23\r\n\r\nhttps://s/?echo=t0p+s3c", test::RawReply::Close});
  test::TempDir dir;
  const std::string fields = R"([{"Name": "Token", "Secret": true}, {"Name": "Team", "Label": "团队"}])";
  struct Case {
    const char* what;
    test::PluginFields plugin;
    std::string want;  // in the request
  };
  const std::vector<Case> cases = {
      {"address",
       {.type = "GET", .path = server.url("/$Field:Team$/?"), .data = "k=$Field:Token$"},
       "GET /%E5%9B%A2%20a/?k=t0p%2Bs3c HTTP/1.1"},
      {"form",
       {.type = "POST", .path = server.url("/f"), .data = "k=$Field:Token$&t=$Field:Team$"},
       "\r\n\r\nk=t0p%2Bs3c&t=%E5%9B%A2%20a"},
      {"json",
       {.type = "POST",
        .path = server.url("/j"),
        .data = R"({"k":"$Field:Token$","t":"$Field:Team$"})",
        .bodyType = "json"},
       "\r\n\r\n{\"k\":\"t0p+s3c\",\"t\":\"\\u56e2 a\"}"},
      {"header",
       {.type = "GET", .path = server.url("/h?"), .data = "", .headers = "Authorization: Bearer $Field:Token$"},
       "\r\nAuthorization: Bearer t0p+s3c\r\n"},
  };
  ShortenInputs inputs;
  inputs.fieldValues = {{"Token", "t0p+s3c"}, {"Team", "团 a"}};
  inputs.secrets = {"t0p+s3c"};
  for (auto c : cases) {
    c.plugin.fields = fields;
    c.plugin.encoding = "UTF-8";
    const std::string file = test::WritePlugin(dir, "f.json", c.plugin);
    server.clearRequests();
    JsonDocument document;
    Text failure;
    EXPECT_EQ(ShortenOne(file, "http://x/", document, &failure, inputs), "https://s/?echo=••••") << c.what;
    EXPECT_NE(server.lastRequest().find(c.want), std::string::npos) << c.what << "\n" << server.lastRequest();
    const Text trace = FormatTrace(TraceShorten(file, "http://x/", document, inputs));
    EXPECT_EQ(trace.find("t0p"), Text::npos) << c.what << "\n" << trace;
    EXPECT_NE(trace.find("••••"), Text::npos) << c.what;
  }
  // A service that cannot be reached: the reason names no secret either.
  const std::string file = test::WritePlugin(
      dir, "f.json",
      {.type = "GET", .path = "http://127.0.0.1:1/$Field:Token$?", .data = "", .encoding = "UTF-8", .fields = fields});
  JsonDocument document;
  Text failure;
  ShortenOne(file, "http://x/", document, &failure, inputs);
  EXPECT_FALSE(failure.empty());
  EXPECT_EQ(failure.find("t0p"), Text::npos) << failure;
  // Without the value nothing goes out, and the line says how to set it.
  server.clearRequests();
  const std::string needs = test::WritePlugin(dir, "n.json",
                                              {.name = "带钥匙",
                                               .path = server.url("/n?"),
                                               .data = "k=$Field:Token$",
                                               .fields = R"([{"Name": "Token", "Label": "API 密钥"}])"});
  EXPECT_EQ(ShortenOne(needs, "http://x/", document, &failure, {}), "");
  EXPECT_EQ(failure, "缺少配置：API 密钥（pindle config 带钥匙 Token=…）");
  EXPECT_TRUE(server.requests().empty());
}

}  // namespace
}  // namespace pindle
