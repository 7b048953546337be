// The loopback services that record what they are sent, asked by several threads at once as a
// batch asks them: every request is recorded once and whole, and a number it is handed is its own.
// The ThreadSanitizer run checks the recording itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/httplib_server.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/request_log.h"
#include "web/web_request.h"

namespace pindle {
namespace {

// The text after `marker` up to the next quote or the end.
std::string After(const std::string& text, const std::string& marker) {
  const size_t at = text.find(marker);
  if (at == std::string::npos) return "";
  const size_t from = at + marker.size();
  return text.substr(from, text.find('"', from) - from);
}

TEST(LoopbackRecorders, RequestsFromSeveralThreadsAtOnce) {
  test::LoopbackShortener shortener;
  test::RequestLog<> log;
  test::HttplibLoopbackServer numbering([&](httplib::Server& s) {
    s.Post("/n", [&](const httplib::Request& req, httplib::Response& res) {
      res.set_content(std::to_string(log.add(req.body)), "text/plain");
    });
  });
  test::RawHttpServer raw;
  raw.answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"});
  struct Service {
    const char* name;
    std::string url;
    std::function<std::vector<std::string>()> recordedBodies;
    std::function<std::string(const std::string&)> numberIn;  // null: the answer holds none
  } services[] = {
      {"LoopbackShortener", shortener.base() + "/post",
       [&] {
         std::vector<std::string> bodies;
         for (const auto& seen : shortener.requests()) bodies.push_back(seen.body);
         return bodies;
       },
       [](const std::string& answer) { return After(answer, "/s/"); }},
      {"RequestLog", numbering.url("/n"), [&] { return log.entries(); },
       [](const std::string& answer) { return answer; }},
      {"RawHttpServer", raw.url("/r"),
       [&] {
         std::vector<std::string> bodies;
         for (const auto& request : raw.requests()) bodies.push_back(request.substr(request.find("\r\n\r\n") + 4));
         return bodies;
       },
       nullptr},
  };
  constexpr int kThreads = 4, kEach = 20;
  for (const Service& service : services) {
    SCOPED_TRACE(service.name);
    std::vector<std::string> sent, numbers[kThreads];
    for (int t = 0; t < kThreads; ++t)
      for (int i = 0; i < kEach; ++i) sent.push_back("t" + std::to_string(t) + "-" + std::to_string(i));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
      threads.emplace_back([&, t] {
        for (int i = 0; i < kEach; ++i) {
          const WebResponse r = WebRequest(
              {.url = service.url, .method = kPost, .postText = sent[t * kEach + i], .cookies = "", .utf8Texts = true});
          numbers[t].push_back(service.numberIn && !r.failed() ? service.numberIn(r.body) : r.error);
        }
      });
    for (auto& thread : threads) thread.join();
    std::vector<std::string> recorded = service.recordedBodies();
    std::sort(recorded.begin(), recorded.end());
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(recorded, sent);
    if (!service.numberIn) continue;
    std::vector<int> handed, wanted;
    for (const auto& own : numbers)
      for (const auto& number : own) handed.push_back(std::atoi(number.c_str()));
    for (int n = 1; n <= kThreads * kEach; ++n) wanted.push_back(n);
    std::sort(handed.begin(), handed.end());
    EXPECT_EQ(handed, wanted);
  }
}

}  // namespace
}  // namespace pindle
