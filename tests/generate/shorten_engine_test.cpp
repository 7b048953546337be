#include "generate/shorten_engine.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "text/percent_encoding.h"

namespace pindle {
namespace {

TEST(ShortenEngine, PercentEncode) {
  struct Case {
    const char* text;
    bool keepSafe, utf8;
    const char* want;
  } cases[] = {
      {"", false, false, ""},
      {"ab/", false, false, "%61%62%2F"},
      {"a b", false, false, "%61%20%62"},
      {"\r\n", false, false, "%0D%0A"},
      {"中", false, false, "%D6%D0"},
      {"中", false, true, "%E4%B8%AD"},
      {"a-b.c_9~中", true, false, "a-b.c%5F9%7E%D6%D0"},
      {"a&b=c", true, true, "a%26b%3Dc"},
      {"\x01", false, false, "%01"},
  };
  for (const auto& c : cases) EXPECT_EQ(PercentEncode(c.text, c.keepSafe, c.utf8), c.want) << c.text;
}

TEST(ShortenEngine, LooksLikeUtf8) {
  struct Case {
    std::string body;
    bool want;
  } cases[] = {
      {"", false},
      {"\xEF\xBB\xBFplain", true},
      {"plain ascii", false},
      {"caf\xC3\xA9", false},              // only two-byte sequences: left alone
      {"caf\xC3\xA9 \xE4\xB8\xAD", true},  // a three-byte sequence decides
      {"\xF0\x9F\x98\x80", true},          // four bytes
      {"\xD6\xD0\xCE\xC4", false},         // GBK: lead byte without continuation
      {"\xE4\xB8", false},                 // cut off by the end
      {"\x80\xE4\xB8\xAD", false},         // invalid byte first
      {"\xC3\xA9\xFF\xE4\xB8\xAD", false},
  };
  for (const auto& c : cases) EXPECT_EQ(LooksLikeUtf8(c.body), c.want) << c.body;
}

TEST(ShortenEngine, DecodeAnswer) {
  EXPECT_EQ(DecodeAnswer("{\"m\":\"中文\"}"), "{\"m\":\"中文\"}");
  EXPECT_EQ(DecodeAnswer(Utf8ToGbk("{\"m\":\"中文\"}")), "{\"m\":\"中文\"}");
  EXPECT_EQ(DecodeAnswer(Bytes("abc\0def", 7)), "abc");
  // clang-format off
  EXPECT_EQ(DecodeAnswer("\xEF\xBB\xBF" "中"), "中");
  // clang-format on
}

// The charset a service declares wins; without one the plug-in's Encoding, else today's guess.
TEST(ShortenEngine, DeclaredCharsetThenEncodingThenGuess) {
  struct Case {
    Bytes body;
    const char* headers;
    PluginEncoding encoding;
    std::string want;
  };
  const Bytes cafe = "https://rebrand.ly/caf\xC3\xA9";  // a two-byte character only
  const Bytes gbk = Utf8ToGbk("https://s/短");
  const std::vector<Case> cases = {
      {cafe, "HTTP/1.1 200 OK\r\nContent-Type: application/json; charset=utf-8\r\n", PluginEncoding::Unset,
       "https://rebrand.ly/café"},
      {cafe, "HTTP/1.1 200 OK\r\ncontent-type: text/plain;CHARSET=\"UTF-8\"\r\n", PluginEncoding::Gbk,
       "https://rebrand.ly/café"},
      {cafe, "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\n", PluginEncoding::Unset,
       "https://rebrand.ly/caf茅"},
      {cafe, "HTTP/1.1 200 OK\r\n", PluginEncoding::Utf8, "https://rebrand.ly/café"},
      {gbk, "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=GBK\r\n", PluginEncoding::Utf8, "https://s/短"},
      {gbk, "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=gb2312\r\n", PluginEncoding::Unset, "https://s/短"},
      {gbk, "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=GB18030\r\n", PluginEncoding::Unset, "https://s/短"},
      {"https://s/\xE7\x9F\xAD", "HTTP/1.1 200 OK\r\n", PluginEncoding::Unset, "https://s/短"},
      {"https://s/\xE7\x9F\xAD", "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=iso-8859-1\r\n",
       PluginEncoding::Gbk, GbkToUtf8Text("https://s/\xE7\x9F\xAD")},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeAnswer(c.body, c.headers, c.encoding), c.want) << c.headers;
}

TEST(ShortenEngine, ExtractShortUrl) {
  struct Case {
    const char* answer;
    const char* type;
    const char* parameter;
    const char* prefix;
    const char* want;
  } cases[] = {
      {"https://x/1", "0", "", "", "https://x/1"},
      {R"({"url":"u"})", "1", "url", "", "u"},
      {R"({"u":12345})", "1", "u", "", "12345"},
      {R"({"u":true})", "1", "u", "", "true"},
      {R"({"data":{"short":"s"}})", "1", "data.short", "", "s"},
      {R"({"list":["a","b"]})", "1", "list[1]", "", "b"},
      {"oops", "1", "u", "", "JSON解析失败"},
      {"", "1", "u", "", "JSON解析失败"},
      {R"({"a":1})", "1", "missing", "", ""},
      {R"({"c":"abc"})", "2", "c", "P/", "P/abc"},
      {R"({"c":"abc"})", "2", "missing", "P/", "P/"},
      {R"({"url":"S"})", "3", "", "#引号url#引号:#引号$Url$#引号", "S"},
      {"<shorturl>S</shorturl>", "3", "", "<shorturl>$Url$</shorturl>", "S"},
      {"<a>S</a>", "3", "", "<b>$Url$</b>", ""},
      {"<a>S</a>", "3", "", "<a>", ""},       // no "$Url$": no right marker
      {"<a>S</a>", "3", "", "<a>$Url$", ""},  // nothing behind it
      {R"(cb({"u":"S"}))", "4", "u", "cb($Url$)", "S"},
      {R"(cb({"u":"S"}))", "4", "u", "xx($Url$)", "JSON解析失败"},
      {R"(cb({"u":"S"}))", "4", "u", "cb(", ""},
      {"{\"短网址\":\"S\"}", "3", "", "#引号短网址#引号:#引号$Url$#引号", "S"},  // Chinese markers match
      {"x", "5", "", "", "数据错误！"},
      {"x", "01", "", "", "数据错误！"},
      {"x", "", "", "", "数据错误！"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ExtractShortUrl(c.answer, c.type, c.parameter, c.prefix), c.want)
        << "answer " << c.answer << " type " << c.type << " prefix " << c.prefix;
}

// Services end their answers with line breaks and pad their values; a link never keeps either.
TEST(ShortenEngine, LinksLoseBlanksAndLineBreaksAtTheirEnds) {
  struct Case {
    const char* answer;
    const char* type;
    const char* parameter;
    const char* prefix;
    const char* pattern;
    const char* resultPrefix;
  } cases[] = {
      {"https://s/1\r\n", "0", "", "", "", ""},
      {" \t https://s/1 \t\n\n", "0", "", "", "", ""},
      {"{\"u\":\"https://s/1\\r\\n\"}", "1", "u", "", "", ""},
      {"{\"u\":\"1 \\r\\n\"}", "2", "u", "https://s/", "", ""},
      {"<u> https://s/1\r\n</u>", "3", "", "<u>$Url$</u>", "", ""},
      {"cb({\"u\":\" https://s/1\\n\"})", "4", "u", "cb($Url$)", "", ""},
      {"link: https://s/1 \r\n", "5", "", "", "link:(.*)", ""},
      {"\t1\r\n", "0", "", "", "", "https://s/"},
  };
  for (const auto& c : cases) {
    ShortenRequest prepared;
    prepared.responseType = c.type;
    prepared.responseParameter = c.parameter;
    prepared.responsePrefix = c.prefix;
    prepared.responsePattern = c.pattern;
    prepared.responseResultPrefix = c.resultPrefix;
    EXPECT_EQ(ExtractPreparedLink(prepared, c.answer), "https://s/1") << "type " << c.type << ": " << c.answer;
  }
}

class ShortenOneTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::LoopbackShortener service;
  JsonDocument document;

  std::string plugin(test::PluginFields fields) { return test::WritePlugin(dir, "p.json", fields); }
};

TEST_F(ShortenOneTest, EachResponseTypeByGetAndPost) {
  struct Case {
    test::PluginFields fields;
    std::string wantSuffix;  // appended to the service's short link
    std::string wantMethod;
    std::string wantTarget;  // with %s for the encoded long URL
  } cases[] = {
      {{.path = "/create.php?format=simple&", .responseType = "0"}, "", "GET", "/create.php?format=simple&url=%s"},
      {{.path = "/create.php?", .data = "format=json&url=$URL$", .responseType = "1", .parameter = "shorturl"},
       "",
       "GET",
       "/create.php?format=json&url=%s"},
      {{.path = "/api/shorten?", .responseType = "2", .parameter = "data.hits", .prefix = "hits="},
       "",
       "GET",
       "/api/shorten?url=%s"},
      {{.path = "/create.php?format=xml&", .responseType = "3", .prefix = "<shorturl>$Url$</shorturl>"},
       "",
       "GET",
       "/create.php?format=xml&url=%s"},
      {{.path = "/jsonp?", .responseType = "4", .parameter = "u", .prefix = "cb($Url$)"}, "", "GET", "/jsonp?url=%s"},
      {{.type = "POST", .path = "/post", .data = "link=$url$&x=1", .responseType = "1", .parameter = "url"},
       "",
       "POST",
       "/post"},
  };
  const std::string longUrl = "https://127.0.0.1/a?b=1";
  const std::string encoded = PercentEncode(longUrl);
  int n = 0;
  for (auto& c : cases) {
    c.fields.path = service.base() + c.fields.path;
    const std::string file = plugin(c.fields);
    const Text got = ShortenOne(file, longUrl, document);
    ++n;
    if (c.fields.responseType == "2")
      EXPECT_EQ(got, "hits=12345");
    else
      EXPECT_EQ(got, service.shortFor(n) + c.wantSuffix) << c.fields.path;
    const auto seen = service.requests().back();
    EXPECT_EQ(seen.method, c.wantMethod);
    std::string target = c.wantTarget;
    if (auto at = target.find("%s"); at != std::string::npos) target.replace(at, 2, encoded);
    EXPECT_EQ(seen.target, target);
    if (c.wantMethod == "POST") {
      EXPECT_EQ(seen.body, "link=" + encoded + "&x=1");
      EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
    }
  }
}

TEST_F(ShortenOneTest, HeadersFromThePluginAndChineseLongUrls) {
  const std::string file = plugin(
      {.path = service.base() + "/create.php?format=simple&", .headers = "X-Api-Key: 密钥\r\naccept: text/plain"});
  EXPECT_EQ(ShortenOne(file, "http://例子.cn/中", document), service.shortFor(1));
  const auto seen = service.requests().back();
  EXPECT_EQ(seen.target, "/create.php?format=simple&url=" + PercentEncode("http://例子.cn/中"));
  EXPECT_NE(seen.target.find("%D6%D0"), std::string::npos);
  EXPECT_EQ(seen.header("X-Api-Key"), Utf8ToGbk("密钥"));  // header bytes go out in GBK
  EXPECT_EQ(seen.header("Accept"), "text/plain");
}

TEST_F(ShortenOneTest, Utf8AndGbkAnswersWithChineseText) {
  for (const char* route : {"/utf8?", "/gbk?"}) {
    service.clearRequests();
    const std::string file = plugin({.path = service.base() + route, .responseType = "1", .parameter = "url"});
    EXPECT_EQ(ShortenOne(file, "x", document), service.shortFor(1) + "/中文") << route;
    const std::string msg = plugin({.path = service.base() + route, .responseType = "1", .parameter = "msg"});
    EXPECT_EQ(ShortenOne(msg, "x", document), "生成成功") << route;
    // The plug-in's own prefix and the failure texts stay intact whatever the answer's encoding.
    const std::string prefixed =
        plugin({.path = service.base() + route, .responseType = "2", .parameter = "none", .prefix = "短链："});
    EXPECT_EQ(ShortenOne(prefixed, "x", document), "短链：") << route;
    const std::string broken = plugin({.path = service.base() + route,
                                       .responseType = "4",
                                       .parameter = "url",
                                       .prefix = "#引号msg#引号:#引号$Url$#引号"});
    EXPECT_EQ(ShortenOne(broken, "x", document), "JSON解析失败") << route;
  }
}

TEST_F(ShortenOneTest, NoRequestAndFailures) {
  const std::string lower = plugin({.type = "get", .path = service.base() + "/create.php?"});
  EXPECT_EQ(ShortenOne(lower, "x", document), "");
  EXPECT_TRUE(service.requests().empty());
  EXPECT_EQ(ShortenOne(dir.file("Plug/missing.json"), "x", document), "");

  const std::string unknown = plugin({.path = service.base() + "/create.php?format=simple&", .responseType = "7"});
  EXPECT_EQ(ShortenOne(unknown, "x", document), "数据错误！");
  EXPECT_EQ(service.requests().size(), 1u);

  // A request that cannot connect: the row text as prescribed, the reason beside it.
  const std::string dead =
      plugin({.path = "http://127.0.0.1:1/x?", .responseType = "2", .parameter = "u", .prefix = "P"});
  Text failure;
  EXPECT_EQ(ShortenOne(dead, "x", document, &failure), "PJSON解析失败");
  EXPECT_FALSE(failure.empty());
  const std::string ok = plugin({.path = service.base() + "/create.php?format=simple&"});
  ShortenOne(ok, "x", document, &failure);
  EXPECT_TRUE(failure.empty());
}

TEST_F(ShortenOneTest, ThePluginFileIsReadAnewEveryTime) {
  const std::string file = plugin({.path = service.base() + "/create.php?format=simple&"});
  EXPECT_EQ(ShortenOne(file, "x", document), service.shortFor(1));
  plugin({.path = service.base() + "/create.php?",
          .data = "format=json&url=$Url$",
          .responseType = "1",
          .parameter = "shorturl"});
  EXPECT_EQ(ShortenOne(file, "x", document), service.shortFor(2));
  EXPECT_EQ(service.requests().back().target.rfind("/create.php?format=json", 0), 0u);
}

}  // namespace
}  // namespace pindle
