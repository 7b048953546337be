// One exchange per row: the request options, the bytes the server answers with, the exact
// request bytes that must arrive, and what the caller must get back. "{port}" is the server's
// port; "<UA>" the default agent line and "<HOST>" the Host line, which every request carries.
#include <gtest/gtest.h>

#include <optional>

#include "tests/support/raw_http_server.h"
#include "tests/web/web_test_helpers.h"
#include "web/web_request.h"

namespace pindle {
namespace {

using test::RawHttpServer;
using test::RawReply;

constexpr const char* kOk = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
constexpr const char* kOkHead = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n";
constexpr const char* kDefaults = "Accept: */*\r\nReferer: http://127.0.0.1:{port}/x\r\nAccept-Language: zh-cn\r\n";

// A response head of exactly `size` bytes as reported, carrying a cookie, with body "ok".
std::string HeadOfSize(size_t size) {
  const std::string start = "HTTP/1.1 200 OK\r\nSet-Cookie: a=1\r\nContent-Length: 2\r\nX-Pad: ";
  return start + std::string(size - start.size() - 4, 'p') + "\r\n\r\n";
}

struct WireCase {
  const char* name;
  RequestOptions options;
  std::string served;
  std::string wantRequest;
  std::optional<std::string> wantHeaders;  // not checked when empty
  std::string wantBody;
  std::string wantReceivedCookies;
  std::optional<std::string> wantCookies;
  int wantStatus = 200;
};

std::string Expand(std::string text, int port) {
  for (size_t at; (at = text.find("<UA>")) != std::string::npos;)
    text.replace(at, 4, "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)\r\n");
  for (size_t at; (at = text.find("<HOST>")) != std::string::npos;) text.replace(at, 6, "Host: 127.0.0.1:{port}\r\n");
  return test::WithPort(text, port);
}

const std::string kUrl = "http://127.0.0.1:{port}/x";

std::vector<WireCase> Cases() {
  const std::string defaults = kDefaults;
  return {
      {"GET without extra headers",
       {.url = kUrl},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       kOkHead,
       "ok",
       ""},
      {"method 8 is a GET",
       {.url = kUrl, .method = 8, .postText = "a=1"},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       kOkHead,
       "ok",
       ""},
      {"method -1 is a GET",
       {.url = kUrl, .method = -1},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       {},
       "ok",
       ""},
      {"GET sends no body",
       {.url = kUrl, .method = kGet, .postText = "a=1"},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       {},
       "ok",
       ""},
      {"POST gets the form type",
       {.url = kUrl, .method = kPost, .postText = "a=1"},
       kOk,
       "POST /x HTTP/1.1\r\n<HOST><UA>" + defaults +
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 3\r\n\r\na=1",
       {},
       "ok",
       ""},
      {"POST without body says Content-Length 0",
       {.url = kUrl, .method = kPost},
       kOk,
       "POST /x HTTP/1.1\r\n<HOST><UA>" + defaults +
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 0\r\n\r\n",
       {},
       "ok",
       ""},
      {"PUT sends the body without a type",
       {.url = kUrl, .method = kPut, .postText = "a=1"},
       kOk,
       "PUT /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Content-Length: 3\r\n\r\na=1",
       {},
       "ok",
       ""},
      {"HEAD goes out without its body",
       {.url = kUrl, .method = kHead, .postText = "a=1"},
       kOkHead,
       "HEAD /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       kOkHead,
       "",
       ""},
      {"OPTIONS with body",
       {.url = kUrl, .method = kOptions, .postText = "o"},
       kOk,
       "OPTIONS /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Content-Length: 1\r\n\r\no",
       {},
       "ok",
       ""},
      {"DELETE with body",
       {.url = kUrl, .method = kDelete, .postText = "d"},
       kOk,
       "DELETE /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Content-Length: 1\r\n\r\nd",
       {},
       "ok",
       ""},
      {"TRACE with empty body",
       {.url = kUrl, .method = kTrace},
       kOk,
       "TRACE /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Content-Length: 0\r\n\r\n",
       {},
       "ok",
       ""},
      {"CONNECT is an ordinary request line",
       {.url = kUrl, .method = kConnect, .postText = "c"},
       kOk,
       "CONNECT /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Content-Length: 1\r\n\r\nc",
       {},
       "ok",
       ""},
      {"X-Accept suppresses the Accept line",
       {.url = kUrl, .extraHeaders = "X-Accept: 1"},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>X-Accept: 1\r\nReferer: http://127.0.0.1:{port}/x\r\nAccept-Language: "
       "zh-cn\r\n\r\n",
       {},
       "ok",
       ""},
      {"caller's language line, name rewritten",
       {.url = kUrl, .extraHeaders = "accept-language: en"},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>Accept-Language: en\r\nAccept: */*\r\nReferer: http://127.0.0.1:{port}/x\r\n\r\n",
       {},
       "ok",
       ""},
      {"caller's Content-Type on a POST",
       {.url = kUrl, .method = kPost, .postText = "{}", .extraHeaders = "Content-Type: application/json"},
       kOk,
       "POST /x HTTP/1.1\r\n<HOST><UA>Content-Type: application/json\r\n" + defaults + "Content-Length: 2\r\n\r\n{}",
       {},
       "ok",
       ""},
      {"a line without colon is not sent",
       {.url = kUrl, .extraHeaders = "X-A: 1\r\nbogus"},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>X-A: 1\r\n" + defaults + "\r\n",
       {},
       "ok",
       ""},
      {"names kept as written",
       {.url = kUrl, .extraHeaders = "x-my-header: v", .normalizeHeaderNames = false},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>x-my-header: v\r\n" + defaults + "\r\n",
       {},
       "ok",
       ""},
      {"no default lines",
       {.url = kUrl, .method = kPost, .completeHeaders = false},
       kOk,
       "POST /x HTTP/1.1\r\n<HOST><UA>Content-Length: 0\r\n\r\n",
       {},
       "ok",
       ""},
      {"unsendable lines left out",
       {.url = kUrl,
        .extraHeaders = "bogus\r\nX-B: 2\r\nX-Empty:\r\n",
        .completeHeaders = false,
        .normalizeHeaderNames = false},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>X-B: 2\r\nX-Empty:\r\n\r\n",
       {},
       "ok",
       ""},
      {"postBytes win over postText, sent raw",
       {.url = kUrl, .method = kPost, .postText = "ignored", .postBytes = std::string("\0\x01\xFF", 3)},
       kOk,
       "POST /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Content-Type: application/x-www-form-urlencoded\r\n" +
           "Content-Length: 3\r\n\r\n" + std::string("\0\x01\xFF", 3),
       {},
       "ok",
       ""},
      {"caller's agent, once",
       {.url = kUrl, .extraHeaders = "User-Agent: Pindle/1"},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST>User-Agent: Pindle/1\r\n" + defaults + "\r\n",
       {},
       "ok",
       ""},
      {"caller's agent in lower case, once",
       {.url = kUrl, .extraHeaders = "X: 1\r\nuser-agent: low"},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST>User-Agent: low\r\nX: 1\r\n" + defaults + "\r\n",
       {},
       "ok",
       ""},
      {"code page 936 on the wire",
       {.url = "http://127.0.0.1:{port}/中 文?q=文", .method = kPost, .postText = "v=中", .extraHeaders = "X-N: 中文"},
       kOk,
       "POST /%D6%D0%20%CE%C4?q=%CE%C4 HTTP/1.1\r\n<HOST><UA>X-N: \xD6\xD0\xCE\xC4\r\nAccept: */*\r\n"
       "Referer: http://127.0.0.1:{port}/\xD6\xD0 \xCE\xC4?q=\xCE\xC4\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 4\r\n\r\nv=\xD6\xD0",
       {},
       "ok",
       ""},
      {"UTF-8 texts on the wire when asked",
       {.url = "http://127.0.0.1:{port}/中 文?q=文",
        .method = kPost,
        .postText = "v=中",
        .extraHeaders = "X-N: 中文\r\nUser-Agent: 浏览器",
        .utf8Texts = true},
       kOk,
       "POST /%E4%B8%AD%20%E6%96%87?q=%E6%96%87 HTTP/1.1\r\n<HOST>User-Agent: 浏览器\r\nX-N: 中文\r\nAccept: */*\r\n"
       "Referer: http://127.0.0.1:{port}/中 文?q=文\r\nAccept-Language: zh-cn\r\n"
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 5\r\n\r\nv=中",
       {},
       "ok",
       ""},
      {"cookie members get their line",
       {.url = kUrl, .cookies = "a=1; b=2"},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Cookie: a=1; b=2\r\n\r\n",
       {},
       "ok",
       "a=1; b=2",
       "a=1; b=2"},
      {"a whole cookie line goes as it is",
       {.url = kUrl, .cookies = "Cookie: a=1", .extraHeaders = "cookie-x: 1", .mergeCookies = false},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>Cookie-X: 1\r\n" + defaults + "Cookie: a=1\r\n\r\n",
       {},
       "ok",
       "",
       "Cookie: a=1"},
      {"received cookies, Set-Cookie in that case only",
       {.url = kUrl},
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nset-cookie: c=3\r\nContent-Length: "
       "2\r\n\r\nok",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\nset-cookie: c=3\r\nContent-Length: 2\r\n\r\n",
       "ok",
       "a=1; b=2"},
      {"received cookies merged into the supplied ones",
       {.url = kUrl, .cookies = "a=1; c=3"},
       "HTTP/1.1 200 OK\r\nSet-Cookie: a=2\r\nSet-Cookie: b=deleted; path=/\r\nContent-Length: 2\r\n\r\nok",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Cookie: a=1; c=3\r\n\r\n",
       {},
       "ok",
       "a=2; c=3",
       "a=2; c=3"},
      {"merging switched off",
       {.url = kUrl, .cookies = "a=1", .mergeCookies = false},
       "HTTP/1.1 200 OK\r\nSet-Cookie: b=2\r\nContent-Length: 2\r\n\r\nok",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "Cookie: a=1\r\n\r\n",
       {},
       "ok",
       "b=2",
       "a=1"},
      {"supplied empty cookies send no line",
       {.url = kUrl, .cookies = ""},
       kOk,
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       {},
       "ok",
       "",
       ""},
      {"head of 4999 bytes is reported",
       {.url = kUrl},
       HeadOfSize(4999) + "ok",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       HeadOfSize(4999),
       "ok",
       "a=1"},
      {"head of 5000 bytes is not",
       {.url = kUrl},
       HeadOfSize(5000) + "ok",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       std::string(5000, ' '),
       "ok",
       ""},
      {"chunked body decoded",
       {.url = kUrl},
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n2\r\nde\r\n0\r\n\r\n",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
       "abcde",
       ""},
      {"an error status is an answer",
       {.url = kUrl},
       "HTTP/1.1 404 Not Found\r\nContent-Length: 7\r\n\r\nmissing",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       {},
       "missing",
       "",
       {},
       404},
      {"head lines trimmed, bare line feeds",
       {.url = kUrl},
       "HTTP/1.1 200 OK\nX-Sp:   a b  \nContent-Length: 2\n\nok",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       "HTTP/1.1 200 OK\r\nX-Sp: a b\r\nContent-Length: 2\r\n\r\n",
       "ok",
       ""},
      {"interim 100 leaves no trace",
       {.url = kUrl, .method = kPost},
       "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\nok",
       "POST /x HTTP/1.1\r\n<HOST><UA>" + defaults +
           "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 0\r\n\r\n",
       "HTTP/1.1 201 Created\r\nContent-Length: 2\r\n\r\n",
       "ok",
       "",
       {},
       201},
      {"head decoded from code page 936",
       {.url = kUrl},
       "HTTP/1.1 200 OK\r\nX-T: \xD6\xD0\r\nContent-Length: 2\r\n\r\nok",
       "GET /x HTTP/1.1\r\n<HOST><UA>" + defaults + "\r\n",
       "HTTP/1.1 200 OK\r\nX-T: 中\r\nContent-Length: 2\r\n\r\n",
       "ok",
       ""},
  };
}

TEST(WebRequestWire, ExchangesByteForByte) {
  for (const WireCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    ClearSharedCookies();
    RawHttpServer server;
    server.answer("/x", {c.served});
    server.answerOthers({c.served});
    const WebResponse r = WebRequest(test::WithPort(c.options, server.port()));
    EXPECT_EQ(server.lastRequest(), Expand(c.wantRequest, server.port()));
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.status, c.wantStatus);
    if (c.wantHeaders) {
      EXPECT_EQ(r.headers, *c.wantHeaders);
    }
    EXPECT_EQ(r.body, c.wantBody);
    EXPECT_EQ(r.receivedCookies, c.wantReceivedCookies);
    EXPECT_EQ(r.cookies, c.wantCookies);
    EXPECT_EQ(r.sentRequest, "");  // nothing is kept unless asked for

    // Captured, the request reads exactly as it arrived (after any earlier exchanges of a redirect).
    ClearSharedCookies();
    RequestOptions capturing = test::WithPort(c.options, server.port());
    capturing.captureRequest = true;
    const WebResponse captured = WebRequest(capturing);
    const std::string arrived = server.lastRequest();
    ASSERT_GE(captured.sentRequest.size(), arrived.size());
    EXPECT_EQ(captured.sentRequest.substr(captured.sentRequest.size() - arrived.size()), arrived);
    EXPECT_EQ(captured.body, c.wantBody);
  }
}

}  // namespace
}  // namespace pindle
