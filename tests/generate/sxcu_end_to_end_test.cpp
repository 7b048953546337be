#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "generate/shorten_engine.h"
#include "plugins/sxcu_import.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// Uploader files of both syntax generations, written for this test, imported and used.
TEST(SxcuEndToEnd, ImportedUploadersShorten) {
  test::LoopbackShortener service;
  const std::string longUrl = "https://127.0.0.1/a?b=1&c=中";
  service.server().Post("/jsonbody", [&](const httplib::Request& req, httplib::Response& res) {
    const auto body = nlohmann::json::parse(req.body, nullptr, false);
    const bool exact = body.is_object() && body.value("url", "") == longUrl;
    res.set_content(nlohmann::json{{"id", exact ? "j-ok" : "j-bad"}}.dump(), "application/json");
  });
  service.server().Get("/id",
                       [](const httplib::Request&, httplib::Response& res) { res.set_content("abc", "text/plain"); });
  struct Case {
    const char* sxcu;  // BASE stands for the service's address
    const char* want;  // "" : one of the service's short links
    const char* header = "";
  } cases[] = {
      {R"({"Name":"c1","RequestMethod":"GET","RequestURL":"BASE/create.php","Parameters":{"format":"json",
          "url":"{input}"},"Headers":{"X-Key":"k 1"},"URL":"{json:shorturl}"})",
       "", "k 1"},
      {R"({"Name":"c2","RequestMethod":"POST","RequestURL":"BASE/post","Body":"FormURLEncoded",
          "Arguments":{"link":"{input}"},"URL":"{json:url}"})",
       ""},
      {R"({"Name":"c3","RequestMethod":"POST","RequestURL":"BASE/jsonbody","Body":"JSON",
          "Data":"{\"url\":\"{input}\"}","URL":"https://s.test/{json:id}"})",
       "https://s.test/j-ok"},
      {R"({"Name":"c4","RequestMethod":"GET","RequestURL":"BASE/create.php","Parameters":{"format":"xml",
          "url":"{input}"},"URL":"{regex:<shorturl>(.+?)</shorturl>|1}"})",
       ""},
      {R"({"Name":"c5","RequestMethod":"GET","RequestURL":"BASE/id","Parameters":{"u":"{input}"},
          "URL":"https://s.test/{response}"})",
       "https://s.test/abc"},
      {R"({"Name":"o1","RequestType":"GET","RequestURL":"BASE/create.php","Arguments":{"url":"$input$",
          "format":"simple"},"URL":"$response$"})",
       ""},
      {R"({"Name":"o2","RequestType":"GET","RequestURL":"BASE/create.php?format=xml","Arguments":{"url":"$input$"},
          "RegexList":["https?://[^<]+"],"URL":"$1$"})",
       ""},
      {R"({"Name":"o3","RequestType":"GET","RequestURL":"BASE/api/shorten","Arguments":{"url":"$input$"},
          "ResponseType":"Text","URL":"$json:data.short$"})",
       ""},
  };
  test::TempDir dir;
  JsonDocument document;
  for (const auto& c : cases) {
    std::string text = c.sxcu;
    text.replace(text.find("BASE"), 4, service.base());
    dir.write("u.sxcu", text);
    const SxcuImport imported = ImportSxcuFile(dir.file("u.sxcu"), dir.file("Plug"), false);
    ASSERT_TRUE(imported.ok()) << DescribeImport(imported);
    const Text got = ShortenOne(imported.written, longUrl, document);
    if (*c.want)
      EXPECT_EQ(got, c.want) << text;
    else
      EXPECT_EQ(got.rfind(service.base() + "/s/", 0), 0u) << got << "\n" << text;
    if (*c.header) {
      EXPECT_EQ(service.requests().back().header("X-Key"), c.header);
    }
  }
}

}  // namespace
}  // namespace pindle
