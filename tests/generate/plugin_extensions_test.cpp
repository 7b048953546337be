#include "generate/plugin_extensions.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "generate/pattern_match.h"
#include "generate/shorten_engine.h"
#include "tests/support/httplib_server.h"
#include "tests/support/plugin_files.h"
#include "tests/support/request_log.h"
#include "text/percent_encoding.h"

namespace pindle {
namespace {

TEST(PatternMatch, Outcomes) {
  using O = PatternMatch::Outcome;
  struct Case {
    const char* subject;
    const char* pattern;
    O outcome;
    const char* value;
  } cases[] = {
      {R"(<a href="https://s.test/1">)", R"re(href="([^"]+)")re", O::Found, "https://s.test/1"},
      {"see https://s.test/2 now", R"(https://s\.test/\w+)", O::Found, "https://s.test/2"},  // no group: whole match
      {"短链：https://s.test/中", "短链：(\\S+)", O::Found, "https://s.test/中"},
      {"y", "(x)?y", O::GroupUnset, ""},
      {"abc", "z(.)", O::NoMatch, ""},
      {"abc", "a(b", O::BadPattern, ""},
      {"abc", "", O::EmptyPattern, ""},
  };
  for (const auto& c : cases) {
    const PatternMatch m = MatchPattern(c.subject, c.pattern);
    EXPECT_EQ(m.outcome, c.outcome) << c.pattern;
    EXPECT_EQ(m.value, c.value) << c.pattern;
    EXPECT_EQ(MatchPattern(c.subject, c.pattern).value, c.value) << c.pattern;
  }
  const PatternMatch bad = MatchPattern("abc", "a(b");
  EXPECT_EQ(bad.offset, 3u);
  EXPECT_FALSE(bad.message.empty());
}

TEST(PatternMatch, BacktrackingExpressionIsStopped) {
  // Each of these needs about 2^n steps without a limit: minutes for these sizes.
  const std::string as(64, 'a');
  for (const char* pattern : {"^(a+)+$", "^(a|aa)+$", "^(\\w+\\s?)*$"}) {
    const PatternMatch m = MatchPattern(as + "!", pattern);
    EXPECT_EQ(m.outcome, PatternMatch::Outcome::LimitHit) << pattern;
    EXPECT_EQ(MatchPattern(as + "!", pattern).value, "");
  }
}

TEST(PluginExtensions, HelpersKeepErrorsAndClassicBodies) {
  EXPECT_EQ(WithResultPrefix("abc", "https://s/"), "https://s/abc");
  EXPECT_EQ(WithResultPrefix("", "https://s/"), "");
  EXPECT_EQ(WithResultPrefix("JSON解析失败", "https://s/"), "JSON解析失败");
  EXPECT_EQ(WithResultPrefix("数据错误！", "https://s/"), "数据错误！");
  EXPECT_EQ(ReadBodyType("JSON"), BodyType::Json);
  EXPECT_EQ(ReadBodyType("form"), BodyType::Form);
  EXPECT_EQ(ReadBodyType("xml"), BodyType::Classic);
  EXPECT_EQ(ReadBodyType("Multipart"), BodyType::Multipart);
  RequestOptions get;
  get.method = kGet;
  ApplyBodyType(BodyType::Json, get);
  EXPECT_FALSE(get.extraHeaders.has_value());  // a GET has no body to type
}

// A service taking JSON or form bodies, answering in the shapes the new keys read.
class ExtensionService {
 public:
  struct Seen {
    std::string contentType, body, target;
    int contentTypeLines = 0;
  };
  ExtensionService()
      : server_([this](httplib::Server& s) {
          auto record = [this](const httplib::Request& req) {
            seen_.add({req.get_header_value("Content-Type"), req.body, req.target,
                       static_cast<int>(req.get_header_value_count("Content-Type"))});
          };
          s.Post("/json", [record](const httplib::Request& req, httplib::Response& res) {
            record(req);
            const auto body = nlohmann::json::parse(req.body, nullptr, false);
            const std::string url = body.is_object() && body.contains("url") ? body["url"].get<std::string>() : "";
            res.set_content(nlohmann::json{{"link", {{"id", "j1"}}}, {"echo", url}}.dump(), "application/json");
          });
          s.Post("/form", [record](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_content("id=f2", "text/plain");
          });
          s.Get("/html", [record](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_content("<html><input id=\"short\" value=\"https://s.test/r3\"></html>", "text/html");
          });
          s.Get("/aaa", [record](const httplib::Request& req, httplib::Response& res) {
            record(req);
            res.set_content(std::string(64, 'a') + "!", "text/plain");
          });
        }) {}
  std::string url(const std::string& path) const { return server_.url(path); }
  // The latest request.
  Seen seen() const { return seen_.last(); }

 private:
  test::RequestLog<Seen> seen_;
  test::HttplibLoopbackServer server_;
};

TEST(PluginExtensions, NewKeysEndToEnd) {
  ExtensionService service;
  test::TempDir dir;
  JsonDocument document;
  const std::string longUrl = "https://127.0.0.1/a b?q=\"中\"&x=1";
  struct Case {
    test::PluginFields fields;
    std::string want;
    std::string wantContentType;
    std::string wantBody;  // empty: not checked
  } cases[] = {
      {{.type = "POST",
        .path = "/json",
        .data = R"({"url":"$RawUrl$","n":1})",
        .responseType = "1",
        .parameter = "link.id",
        .bodyType = "json",
        .resultPrefix = "https://s.test/"},
       "https://s.test/j1",
       "application/json",
       R"({"url":"https://127.0.0.1/a b?q=\"\u4e2d\"&x=1","n":1})"},
      // The service echoes the URL it decoded from the JSON body: exactly the long URL.
      {{.type = "POST",
        .path = "/json",
        .data = R"({"url":"$RawUrl$"})",
        .responseType = "1",
        .parameter = "echo",
        .bodyType = "json"},
       longUrl,
       "application/json",
       ""},
      // A Content-Type of the plug-in's own wins, and goes out once.
      {{.type = "POST",
        .path = "/json",
        .data = R"({"url":"$RawUrl$"})",
        .headers = "Content-Type: text/json",
        .responseType = "1",
        .parameter = "echo",
        .bodyType = "json"},
       longUrl,
       "text/json",
       ""},
      {{.type = "POST",
        .path = "/form",
        .data = "u=$Url$",
        .responseType = "5",
        .bodyType = "form",
        .pattern = "id=(\\w+)",
        .resultPrefix = "https://s.test/"},
       "https://s.test/f2",
       "application/x-www-form-urlencoded",
       "u=" + PercentEncode(longUrl)},
      {{.path = "/html?", .data = "u=$Url$", .responseType = "5", .pattern = R"re(id="short" value="([^"]+)")re"},
       "https://s.test/r3",
       "",
       ""},
      {{.path = "/html?", .responseType = "5", .pattern = "nothing (here)"}, "", "", ""},
      {{.path = "/aaa?", .responseType = "5", .pattern = "^(a+)+$"}, "", "", ""},
      // Older readers' types still work with the result prefix.
      {{.path = "/html?", .responseType = "3", .prefix = "value=#引号$Url$#引号", .resultPrefix = "→"},
       "→https://s.test/r3",
       "",
       ""},
  };
  for (auto& c : cases) {
    c.fields.path = service.url(c.fields.path);
    const std::string file = test::WritePlugin(dir, "ext.json", c.fields);
    EXPECT_EQ(ShortenOne(file, longUrl, document), c.want) << c.fields.path << " " << c.fields.pattern;
    const auto seen = service.seen();
    if (!c.wantContentType.empty()) {
      EXPECT_EQ(seen.contentType, c.wantContentType) << c.fields.data;
      EXPECT_EQ(seen.contentTypeLines, 1);
    }
    if (!c.wantBody.empty()) {
      EXPECT_EQ(seen.body, c.wantBody);
    }
  }
}

}  // namespace
}  // namespace pindle
