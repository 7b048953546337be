#include "web/header_helpers.h"

#include <gtest/gtest.h>

#include "web/request_headers.h"
#include "web/response_head.h"

namespace pindle {
namespace {

TEST(HeaderHelpers, NormalizeHeaderNames) {
  struct Case {
    const char* block;
    const char* want;
  } cases[] = {
      {"content-type: text/plain\r\nx-my-header:v\r\nbogus", "Content-Type: text/plain\r\nX-My-Header:v"},
      {"", ""},
      {"CONTENT-type: a-b", "CONTENT-Type: a-b"},
      {"-lead--double-:x\r\n", "-Lead--Double-:x"},
      {"referer: http://a.b/c-d", "Referer: http://a.b/c-d"},
      {" spaced-name : v", " spaced-Name : v"},
      {":no name", ":no name"},
      {"nocolon\r\n\r\nx:1", "X:1"},
      {"中文-name: 值", "中文-Name: 值"},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizeHeaderNames(c.block), c.want) << c.block;
}

TEST(HeaderHelpers, UserAgentAndColonValue) {
  struct Case {
    const char* headers;
    const char* want;
  } cases[] = {
      {"User-Agent: Pindle/1", "Pindle/1"},
      {"Accept: */*\r\nUser-Agent:  Pindle/1  \r\nX: y", "Pindle/1"},
      {"user-agent: Low", "Low"},
      // The value of the user-agent line, never the lines behind the block's first colon.
      {"Accept: */*\r\nuser-agent: Low\r\nX: y", "Low"},
      {"USER-AGENT:Up\r\nX: y", "Up"},
      {"User-Agent:   ", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(UserAgentFromHeaders(c.headers), c.want) << c.headers;

  EXPECT_EQ(TextAfterFirstColon("a: b: c "), "b: c");
  EXPECT_EQ(TextAfterFirstColon("abc"), "");
  EXPECT_EQ(CapitalizeFirst("abc"), "Abc");
  EXPECT_EQ(CapitalizeFirst("1bc"), "1bc");
  EXPECT_EQ(CapitalizeFirst(""), "");
  EXPECT_EQ(CapitalizeFirst("中"), "中");
}

TEST(HeaderHelpers, CompleteDefaultHeaders) {
  const char* url = "http://a.b/x";
  struct Case {
    const char* headers;
    bool post;
    const char* want;
  } cases[] = {
      {"", false, "Accept: */*\r\nReferer: http://a.b/x\r\nAccept-Language: zh-cn"},
      {"", true,
       "Accept: */*\r\nReferer: http://a.b/x\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded"},
      {"X-Accept: 1", false, "X-Accept: 1\r\nReferer: http://a.b/x\r\nAccept-Language: zh-cn"},
      {"accept-language: en", false, "accept-language: en\r\nAccept: */*\r\nReferer: http://a.b/x"},
      {"Content-Type: application/json", true,
       "Content-Type: application/json\r\nAccept: */*\r\nReferer: http://a.b/x\r\nAccept-Language: zh-cn"},
      {"REFERER: r\r\nACCEPT: a", false, "REFERER: r\r\nACCEPT: a\r\nAccept-Language: zh-cn"},
  };
  for (const auto& c : cases) EXPECT_EQ(CompleteDefaultHeaders(c.headers, url, c.post), c.want) << c.headers;

  EXPECT_EQ(AppendCookieLine("A: 1", "a=1"), "A: 1\r\nCookie: a=1");
  EXPECT_EQ(AppendCookieLine("A: 1", "Cookie: a=1"), "A: 1\r\nCookie: a=1");
  EXPECT_EQ(AppendCookieLine("A: 1", ""), "A: 1");
}

TEST(HeaderHelpers, LinesForLibcurl) {
  using Lines = std::vector<std::string>;
  struct Case {
    const char* block;
    bool dropEntity;
    Lines want;
  } cases[] = {
      {"Accept: */*\r\nX: 1", false, {"Accept: */*", "X: 1", "Content-Type:", "Expect:", "Proxy-Connection:"}},
      {"", false, {"Accept:", "Content-Type:", "Expect:", "Proxy-Connection:"}},
      {"User-Agent: u\r\nuser-agent: v\r\nX-Empty:\r\nbogus\r\n\r\nExpect: 100-continue",
       false,
       {"X-Empty;", "Expect: 100-continue", "Accept:", "Content-Type:", "Proxy-Connection:"}},
      {"Content-Type: a\r\nContent-Length: 3\r\nX: 1",
       true,
       {"X: 1", "Accept:", "Content-Type:", "Expect:", "Proxy-Connection:"}},
      {"X: a\nB: c", false, {"X: aB: c", "Accept:", "Content-Type:", "Expect:", "Proxy-Connection:"}},
      {"X: 中", false, {"X: \xD6\xD0", "Accept:", "Content-Type:", "Expect:", "Proxy-Connection:"}},
      {"X-Full:\xE3\x80\x80 \r\nX-Sp:   \r\nX-Lead: \xE3\x80\x80"
       "a",
       false,
       {"X-Full;", "X-Sp;",
        "X-Lead: \xA1\xA1"
        "a",
        "Accept:", "Content-Type:", "Expect:", "Proxy-Connection:"}},
  };
  for (const auto& c : cases) EXPECT_EQ(CurlHeaderLines(c.block, c.dropEntity), c.want) << c.block;
}

TEST(ResponseHead, FinalResponseOnlyTrimmedAndLimited) {
  const auto collect = [](std::initializer_list<std::string> lines) {
    ResponseHead head;
    for (const auto& line : lines) head.addLine(line);
    return head.reported();
  };
  EXPECT_EQ(collect({"HTTP/1.1 200 OK\r\n", "A:  b \r\n", "\r\n"}), "HTTP/1.1 200 OK\r\nA: b\r\n\r\n");
  EXPECT_EQ(collect({"HTTP/1.1 100 Continue\r\n", "\r\n", "HTTP/1.1 302 Found\r\n", "Location: /b\r\n", "\r\n",
                     "HTTP/1.1 200 OK\n", "X:1\n", "\n"}),
            "HTTP/1.1 200 OK\r\nX: 1\r\n\r\n");
  EXPECT_EQ(collect({}), std::string(5000, ' '));
  EXPECT_EQ(collect({"HTTP/1.1 200 OK\r\n", "V: \xD6\xD0\r\n", "\r\n"}), "HTTP/1.1 200 OK\r\nV: 中\r\n\r\n");

  // 17 + 7 + pad + 2 + 2 bytes: 4999 fit in the 5000-byte buffer with its zero, 5000 do not.
  const auto ofSize = [&](size_t size) {
    return collect({"HTTP/1.1 200 OK\r\n", "X-Pad: " + std::string(size - 28, 'p') + "\r\n", "\r\n"});
  };
  EXPECT_EQ(ofSize(4999).size(), 4999u);
  EXPECT_EQ(ofSize(4999).substr(0, 15), "HTTP/1.1 200 OK");
  EXPECT_EQ(ofSize(5000), std::string(5000, ' '));
}

}  // namespace
}  // namespace pindle
