// The batch's transfer must make exactly the exchanges WebRequest makes: each case goes once
// through WebRequest and once through MultiTransfer (all cases at once), and the bytes on the
// wire and everything handed back must be the same.
#include "web/multi_transfer.h"

#include <gtest/gtest.h>

#include <map>
#include <regex>

#include "tests/support/raw_http_server.h"
#include "tests/web/web_test_helpers.h"
#include "web/retry_after.h"

namespace pindle {
namespace {

using test::RawHttpServer;
using test::RawReply;

struct ParityCase {
  const char* name;
  RequestOptions options;
  std::string served;  // for /x; /y answers "ok"
};

std::vector<ParityCase> Cases() {
  const std::string ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";
  const std::string redirect = "HTTP/1.1 302 Found\r\nLocation: /y\r\nContent-Length: 1\r\n\r\nr";
  return {
      {"GET", {.url = "http://127.0.0.1:{port}/x"}, ok},
      {"POST with headers",
       {.url = "http://127.0.0.1:{port}/x", .method = kPost, .postText = "a=中", .extraHeaders = "x-a: 1"},
       ok},
      {"PUT keeps its verb and body", {.url = "http://127.0.0.1:{port}/x", .method = kPut, .postText = "b"}, ok},
      {"cookies merged",
       {.url = "http://127.0.0.1:{port}/x", .cookies = "a=1"},
       "HTTP/1.1 200 OK\r\nSet-Cookie: b=2; path=/\r\nContent-Length: 2\r\n\r\nok"},
      {"302 turns a POST into a GET", {.url = "http://127.0.0.1:{port}/x", .method = kPost, .postText = "p"}, redirect},
      {"302 not followed", {.url = "http://127.0.0.1:{port}/x", .forbidRedirect = true}, redirect},
      {"503 with Retry-After",
       {.url = "http://127.0.0.1:{port}/x"},
       "HTTP/1.1 503 Busy\r\nRetry-After: 7\r\nContent-Length: 0\r\n\r\n"},
      {"connection refused", {.url = "http://127.0.0.1:1/x"}, ok},
      {"not a URL", {.url = "ftp://127.0.0.1:{port}/x"}, ok},
  };
}

TEST(MultiTransfer, MakesTheExchangesWebRequestMakes) {
  const auto cases = Cases();
  std::vector<std::unique_ptr<RawHttpServer>> viaWebRequest, viaMulti;
  std::vector<WebResponse> wanted;
  MultiTransfer transfer(4);
  for (size_t i = 0; i < cases.size(); ++i) {
    for (auto* servers : {&viaWebRequest, &viaMulti}) {
      servers->push_back(std::make_unique<RawHttpServer>());
      servers->back()->answer("/x", {cases[i].served});
      servers->back()->answer("/y", {"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
    }
    ClearSharedCookies();
    wanted.push_back(WebRequest(test::WithPort(cases[i].options, viaWebRequest[i]->port())));
    transfer.start(i, test::WithPort(cases[i].options, viaMulti[i]->port()));
  }
  std::map<std::uint64_t, WebResponse> got;
  for (int round = 0; round < 500 && got.size() < cases.size(); ++round)
    for (auto& finished : transfer.run(std::chrono::milliseconds(20))) got[finished.tag] = std::move(finished.response);
  ASSERT_EQ(got.size(), cases.size());
  EXPECT_EQ(transfer.inFlight(), 0u);
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    const auto portless = [&](std::string text, int port) {
      for (size_t at; (at = text.find(std::to_string(port))) != std::string::npos;)
        text.replace(at, std::to_string(port).size(), "{port}");
      return text;
    };
    const auto requestsOf = [&](const RawHttpServer& server) {
      std::vector<std::string> out;
      for (const auto& r : server.requests()) out.push_back(portless(r, server.port()));
      return out;
    };
    EXPECT_EQ(requestsOf(*viaMulti[i]), requestsOf(*viaWebRequest[i]));
    const WebResponse& a = wanted[i];
    const WebResponse& b = got[i];
    EXPECT_EQ(b.body, a.body);
    EXPECT_EQ(portless(b.headers, viaMulti[i]->port()), portless(a.headers, viaWebRequest[i]->port()));
    EXPECT_EQ(b.status, a.status);
    const std::regex elapsed("[0-9]+ ms");  // libcurl names the time a failed connect took
    EXPECT_EQ(std::regex_replace(b.error, elapsed, "N ms"), std::regex_replace(a.error, elapsed, "N ms"));
    EXPECT_EQ(b.receivedCookies, a.receivedCookies);
    EXPECT_EQ(b.cookies, a.cookies);
  }
  EXPECT_EQ(RetryAfter(got[6].headers), std::chrono::seconds(7));
}

TEST(MultiTransfer, RetryAfterReadsSecondsAndDates) {
  const auto now = std::chrono::system_clock::from_time_t(1'700'000'000);  // Tue, 14 Nov 2023 22:13:20 GMT
  const struct {
    const char* headers;
    std::optional<int> seconds;
  } cases[] = {
      {"HTTP/1.1 429 x\r\nRetry-After: 3\r\n\r\n", 3},
      {"HTTP/1.1 429 x\r\nretry-after:  0 \r\n\r\n", 0},
      {"HTTP/1.1 429 x\r\nRetry-After: Tue, 14 Nov 2023 22:13:50 GMT\r\n\r\n", 30},
      {"HTTP/1.1 429 x\r\nRetry-After: Tue, 14 Nov 2023 22:00:00 GMT\r\n\r\n", 0},  // past: no wait
      {"HTTP/1.1 429 x\r\nRetry-After: -5\r\n\r\n", std::nullopt},
      {"HTTP/1.1 429 x\r\nRetry-After: soon\r\n\r\n", std::nullopt},
      {"HTTP/1.1 429 x\r\nX-Retry-After: 3\r\n\r\n", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto got = RetryAfter(c.headers, now);
    EXPECT_EQ(got ? std::optional<int>(static_cast<int>(got->count())) : std::nullopt, c.seconds) << c.headers;
  }
}

}  // namespace
}  // namespace pindle
