#include "generate/shorten_trace.h"

#include <gtest/gtest.h>

#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"

namespace pindle {
namespace {

TEST(ShortenTrace, ExtractionStepByStep) {
  using R = EmptyReason;
  struct Case {
    const char* answer;
    const char* type;
    const char* parameter;
    const char* prefix;
    const char* pattern;
    R reason;
    const char* mentions;  // a text the steps or the reason must contain
  } cases[] = {
      {"https://s/1", "0", "", "", "", R::None, "整个应答"},
      {"", "0", "", "", "", R::EmptyAnswer, "应答为空"},
      {"ERROR", "0", "", "", "", R::NotALink, "不是 http(s) 网址"},
      {R"({"data":{"short":"https://s/2"}})", "1", "data.short", "", "", R::None, "路径第 2 步 “short” → 字符串"},
      {R"({"data":{"url":"x"}})", "1", "data.short", "", "", R::NoSuchPath, "路径第 2 步 “short” 找不到：上一层的对象"},
      {R"({"data":null})", "1", "data.short", "", "", R::NoSuchPath, "路径第 2 步 “short” 走不下去：上一层是null"},
      {R"({"u":null})", "1", "u", "", "", R::NullValue, "null"},
      {R"({"list":["a"]})", "1", "list[3]", "", "", R::NoSuchPath, "路径第 2 步 “3” 找不到：上一层的数组"},
      {"{\"a\":1}", "1", "", "", "", R::EmptyPath, "Response.Parameter 为空"},
      {"{\"a\":1}", "1", "a..b", "", "", R::BadPath, "不是有效的路径写法"},
      {"<html>oops</html>", "1", "u", "", "", R::NotJson, "在第 1 字节"},
      {"{\"u\":\r\n\"x\" oops}", "1", "u", "", "", R::NotJson,
       "expected '}'，在第 12 字节"},  // the byte counts the line break
      {R"({"c":"abc"})", "2", "missing", "https://s/", "", R::NoSuchPath, "前缀 “https://s/”"},
      {R"({"c":"abc"})", "2", "c", "https://s/", "", R::None, "https://s/abc"},
      {R"({"url":"https://s/3"})", "3", "", "#引号url#引号:#引号$Url$#引号", "", R::None, "左标记 “\"url\":\"”"},
      {"<a>S</a>", "3", "", "<b>$Url$</b>", "", R::LeftMarkerMissing, "左标记 “<b>” 在应答中找不到"},
      {"<a>S</a>", "3", "", "<a>$Url$</b>", "", R::RightMarkerMissing, "右标记 “</b>” 在左标记（第 1 字节）之后找不到"},
      {"<a></a>", "3", "", "<a>$Url$</a>", "", R::EmptyBetween, "紧挨着"},
      {"<a>S</a>", "3", "", "<a>", "", R::NoMarkers, "里没有 $Url$"},
      {"<a>S</a>", "3", "", "<a>$Url$", "", R::NoMarkers, "后面没有文字"},
      {R"(cb({"u":"https://s/4"}))", "4", "u", "cb($Url$)", "", R::None, "取到的值：“https://s/4”"},
      {R"(cb({"u":"S"}))", "4", "v", "cb($Url$)", "", R::NoSuchPath, "路径第 1 步 “v” 找不到"},
      {R"(cb({"u":"S"))", "4", "u", "cb($Url$ )", "", R::RightMarkerMissing, "右标记"},
      {R"(cb(u:1))", "4", "u", "cb($Url$)", "", R::NotJson, "不是 JSON"},
      {"", "1", "u", "", "", R::NotJson, "没有可解析的文字"},
      {R"(<b>https://s/5</b>)", "5", "", "", "<b>([^<]+)", R::None, "第 1 组 → “https://s/5”"},
      {"abc", "5", "", "", "z(.)", R::NoMatch, "没有匹配"},
      {"y", "5", "", "", "(x)?y", R::GroupUnset, "第 1 组没有参与匹配"},
      {"abc", "5", "", "", "a(b", R::BadPattern, "表达式第 3 字节"},
      {"abc", "5", "", "", "", R::EmptyPattern, "Response.Pattern 为空"},
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa!", "5", "", "", "^(a+)+$", R::PatternLimit, "已停止"},
      {"x", "7", "", "", "", R::UnknownType, "数据错误！"},
  };
  for (const auto& c : cases) {
    ShortenRequest prepared;
    prepared.responseType = c.type;
    prepared.responseParameter = c.parameter;
    prepared.responsePrefix = c.prefix;
    prepared.responsePattern = c.pattern;
    const ExtractionTrace t = TraceExtraction(prepared, c.answer);
    EXPECT_EQ(t.reason, c.reason) << c.answer << " / " << c.type << " / " << t.reasonText;
    EXPECT_EQ(t.result, ExtractPreparedLink(prepared, c.answer));  // the trace never changes the outcome
    EXPECT_EQ(t.reasonText.empty(), c.reason == R::None);
    Text all = t.reasonText;
    for (const Text& s : t.steps) all += "\n" + s;
    EXPECT_NE(all.find(c.mentions), Text::npos) << "wanted " << c.mentions << " in\n" << all;
  }
}

TEST(ShortenTrace, DecodingAgreesWithTheEngineAndSaysWhy) {
  struct Case {
    std::string body;
    const char* mentions;
  } cases[] = {
      {"", "应答为空"},
      {"\xEF\xBB\xBFok", "字节顺序标记"},
      {"plain", "纯 ASCII"},
      {"caf\xC3\xA9 \xE4\xB8\xAD", "第 7 字节起 E4 B8 AD 是 UTF-8 三字节序列"},
      {"\xF0\x9F\x98\x80", "四字节"},
      {"\xD6\xD0\xCE\xC4", "第 1 字节起 D6 D0 不是 UTF-8 两字节序列"},
      {"ab\xE4\xB8", "不是 UTF-8 三字节序列"},
      {"\x80x", "80 不能开始 UTF-8 字符"},
  };
  for (const auto& c : cases) {
    const DecodingTrace d = TraceDecoding(c.body);
    EXPECT_EQ(d.utf8, LooksLikeUtf8(c.body)) << c.body;
    EXPECT_NE(d.reason.find(c.mentions), Text::npos) << d.reason;
  }
}

TEST(ShortenTrace, WholeRunAgainstALoopbackService) {
  test::TempDir dir;
  test::LoopbackShortener service;
  // A failing server whose text reads like a link: the trace fails it as the run does.
  service.server().Get("/broken", [](const httplib::Request&, httplib::Response& res) {
    res.status = 500;
    res.set_content("http://127.0.0.1/looks-like-a-link", "text/plain");
  });
  JsonDocument document;
  struct Case {
    test::PluginFields fields;
    EmptyReason reason;
    std::vector<const char*> mentions;
  } cases[] = {
      {{.type = "POST",
        .path = service.base() + "/post",
        .data = "u=$Url$",
        .headers = "X-Key: 钥",
        .responseType = "1",
        .parameter = "url"},
       EmptyReason::None,
       {"【请求（实际发出）】\nPOST /post HTTP/1.1\n", "X-Key: 钥\n", "Content-Type: application/x-www-form-urlencoded",
        "\n\nu=%68%74", "HTTP/1.1 200 OK\n", "Content-Type: application/json", "GBK：", "【结果】\nhttp"}},
      {{.path = service.base() + "/utf8?", .responseType = "1", .parameter = "nope"},
       EmptyReason::NoSuchPath,
       {"GET /utf8?url=%68", "生成成功", "UTF-8：应答头的 Content-Type 声明字符集为 UTF-8",
        "没有得到短网址：路径第 1 步 “nope” 找不到"}},
      {{.path = "http://127.0.0.1:1/x?", .responseType = "0"},
       EmptyReason::RequestFailed,
       {"【请求（没有发出，这是按插件准备的请求）】\nGET http://127.0.0.1:1/x?url=", "【请求失败】", "没有收到应答"}},
      {{.type = "get", .path = service.base() + "/create.php?"},
       EmptyReason::NotSent,
       {"API.Type “get” 不是 GET 或 POST"}},
      {{.path = service.base() + "/broken?", .responseType = "0"},
       EmptyReason::ServiceFailed,
       {"HTTP/1.1 500", "没有得到短网址：HTTP 500：http://127.0.0.1/looks-like-a-link"}},
  };
  for (const auto& c : cases) {
    const std::string file = test::WritePlugin(dir, "t.json", c.fields);
    const ShortenTrace trace = TraceShorten(file, "http://127.0.0.1/", document);
    EXPECT_EQ(trace.extraction.reason, c.reason) << trace.extraction.reasonText;
    EXPECT_EQ(trace.linkCameOut(), c.reason == EmptyReason::None);
    const Text shown = FormatTrace(trace);
    for (const char* m : c.mentions) EXPECT_NE(shown.find(m), Text::npos) << "wanted " << m << " in\n" << shown;
  }
}

TEST(ShortenTrace, LongAnswersAreCutForDisplayOnly) {
  test::TempDir dir;
  test::LoopbackShortener service;
  const std::string big = "https://s/" + std::string(100 * 1024, 'x') + "中";
  service.server().Get("/big",
                       [&](const httplib::Request&, httplib::Response& res) { res.set_content(big, "text/plain"); });
  JsonDocument document;
  const std::string file = test::WritePlugin(dir, "t.json", {.path = service.base() + "/big?", .responseType = "0"});
  const ShortenTrace trace = TraceShorten(file, "u", document);
  EXPECT_TRUE(trace.bodyCut);
  EXPECT_EQ(trace.body.size(), kTraceDisplayLimit);
  EXPECT_EQ(trace.bodyBytes, big.size());
  EXPECT_EQ(trace.extraction.result, big);  // the link itself is whole
  EXPECT_NE(FormatTrace(trace).find("只显示前 64 KiB"), Text::npos);
}

}  // namespace
}  // namespace pindle
