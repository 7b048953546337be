#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "generate/batch_clock.h"
#include "generate/batch_runner.h"
#include "generate/generate_command.h"
#include "generate/line_cursor.h"
#include "generate/shorten_engine.h"
#include "platform/background.h"
#include "tests/support/echo_service.h"
#include "tests/support/httplib_server.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"
#include "text/percent_encoding.h"

namespace pindle {
namespace {

using namespace std::chrono_literals;

// A line's answer may hold what the single URL's limit allows alone, a share of 64 MB in a batch.
TEST(GenerationJobLimits, AnswerCapOfALine) {
  constexpr std::size_t MB = 1u << 20;
  const struct {
    int lineCount;  // 0: not known
    int concurrency;
    int fallbacks;
    std::size_t cap;
  } cases[] = {
      {1, 1, 0, 32 * MB}, {1, 64, 2, 32 * MB}, {2, 1, 0, 32 * MB}, {0, 4, 0, 16 * MB},
      {50, 4, 1, 8 * MB}, {0, 8, 0, 8 * MB},   {0, 64, 0, 1 * MB}, {128, 64, 3, 1 * MB},
  };
  for (const auto& c : cases) {
    GenerationJob job;
    job.limits = DefaultWebLimits();
    job.lineCount = c.lineCount;
    job.concurrency = c.concurrency;
    job.fallbacks.resize(static_cast<size_t>(c.fallbacks));
    EXPECT_EQ(job.lineAnswerCap(), c.cap) << c.lineCount << " -j " << c.concurrency << " +" << c.fallbacks;
  }
}

class BatchTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  MemoryControls ui;
  Workers workers;  // after ui: its threads end before ui goes

  void SetUp() override { SetPaths(AppPaths::FromProgramDirectory(dir.path())); }
  void TearDown() override {
    WaitForDetached(30s);
    SetPaths({});
  }
  // Waits for services pass a hundred times faster: a wait of seconds takes milliseconds.
  void click() { OnGenerateClicked(ui, workers, GenerationServices({}, BatchClock(100))); }
  void setConcurrency(int n) { Settings::write(kSoftwareSection, kConcurrencyKey, std::to_string(n)); }
  void usePlugin(const test::EchoService& service) {
    test::WritePlugin(dir, "p.json", {.path = service.url("/x?")});
    PluginRegistry::load(ui);
    ui.pluginChoice().setCurrentIndex(0);
  }
  void generate(const Text& input) {
    ui.longUrlBox().setText(input);
    click();
    ASSERT_TRUE(WaitForDetached(30s));
  }
  static Text rowFor(const Text& line) { return test::EchoService::echo("/x?url=" + PercentEncode(line)); }
  std::vector<Text> shortColumn() {
    std::vector<Text> out;
    for (const auto& row : ui.results().rows()) out.push_back(row.size() > 1 ? row[1] : "");
    return out;
  }
};

// Early lines answer last; rows still follow the lines, and the service never sees more
// connections at once than "并发数" allows.
TEST_F(BatchTest, RowsInLineOrderAndConnectionsBounded) {
  const struct {
    int concurrency;
    int mostWanted;  // the service must see exactly this many at most
  } cases[] = {{1, 1}, {3, 3}, {4, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.concurrency);
    test::EchoService service([](const std::string& target) {
      const int line = std::stoi(target.substr(target.rfind("%") + 1), nullptr, 16) - 0x40;  // 'A' is line 1
      return (13 - line) * 3;
    });
    usePlugin(service);
    setConcurrency(c.concurrency);
    Text input;
    std::vector<Text> wanted;
    for (char ch = 'A'; ch <= 'L'; ++ch) {
      input += Text(1, ch) + "\r\n";
      wanted.push_back(rowFor(Text(1, ch)));
    }
    generate(input);
    EXPECT_EQ(shortColumn(), wanted);
    EXPECT_EQ(service.mostOpenAtOnce(), c.mostWanted);
    EXPECT_EQ(ui.statusText(), "网址生成完毕!");
    EXPECT_EQ(ui.batchView().progress(), std::make_pair(0, 0));  // hidden again at the end
  }
}

// Over TLS the batch keeps its order too (the service speaks HTTP/1.1 only, so HTTP/2 is
// offered and declined).
TEST_F(BatchTest, OverTls) {
  const test::TestCertificateAuthority authority;
  test::HttplibLoopbackServer service(authority.issue({"127.0.0.1"}), [](httplib::Server& server) {
    server.Get("/x", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content("https://s/" + req.get_param_value("url"), "text/plain");
    });
  });
  Settings::write(kSoftwareSection, kIgnoreCertificateErrorsKey, kOn);
  test::WritePlugin(dir, "p.json", {.path = service.url("/x?")});
  PluginRegistry::load(ui);
  ui.pluginChoice().setCurrentIndex(0);
  generate("a\nb\nc\nd\ne");
  EXPECT_EQ(shortColumn(),
            (std::vector<Text>{"https://s/a", "https://s/b", "https://s/c", "https://s/d", "https://s/e"}));
  EXPECT_EQ(ui.statusText(), "网址生成完毕!");
}

// A service's refusals are waited out and the line sent again; a cut connection is tried once more.
TEST_F(BatchTest, RateLimitsAndCutConnections) {
  const auto reply = [](const std::string& head, const std::string& body = "") {
    return test::RawReply{head + "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body};
  };
  const test::RawReply cut{"", test::RawReply::Close};
  const struct {
    const char* name;
    std::deque<test::RawReply> replies;  // for line 1's attempts; line 2 gets the echo
    Text row1;
    int requests;
    Text waitText;  // in the status history ("" : no wait)
  } cases[] = {
      {"429 with Retry-After",
       {reply("HTTP/1.1 429 Too Many Requests\r\nRetry-After: 1\r\n")},
       rowFor("a"),
       3,
       "等待 1 秒后重发：服务限流（429）"},
      {"429 without Retry-After backs off 1 s",
       {reply("HTTP/1.1 429 Too Many Requests\r\n")},
       rowFor("a"),
       3,
       "等待 1 秒后重发：服务限流（429）"},
      {"503 with Retry-After",
       {reply("HTTP/1.1 503 Busy\r\nRetry-After: 0\r\n")},
       rowFor("a"),
       3,
       "等待 0 秒后重发：服务暂时不可用（503）"},
      {"503 without Retry-After backs off 1, 2, 4 s",
       {reply("HTTP/1.1 503 Busy\r\n"), reply("HTTP/1.1 503 Busy\r\n"), reply("HTTP/1.1 503 Busy\r\n")},
       rowFor("a"),
       5,
       "等待 4 秒后重发：服务暂时不可用（503）"},
      {"502 and 504 are passing too",
       {reply("HTTP/1.1 502 Bad Gateway\r\n"), reply("HTTP/1.1 504 Gateway Timeout\r\n")},
       rowFor("a"),
       4,
       "等待 2 秒后重发：服务暂时出错（504）"},
      {"503 four times fails the line with what the service said",
       {reply("HTTP/1.1 503 Busy\r\n", "x"), reply("HTTP/1.1 503 Busy\r\n", "x"), reply("HTTP/1.1 503 Busy\r\n", "x"),
        reply("HTTP/1.1 503 Busy\r\n", "error:concurrency")},
       "error:concurrency",
       5,
       "等待 4 秒后重发：服务暂时不可用（503）"},
      {"cut before the answer, once", {cut}, rowFor("a"), 3, ""},
      {"cut twice", {cut, cut}, "", 3, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::EchoService service;
    service.script(c.replies);
    usePlugin(service);
    setConcurrency(1);
    generate("a\nb");
    EXPECT_EQ(shortColumn(), (std::vector<Text>{c.row1, rowFor("b")}));
    EXPECT_EQ(service.requests(), c.requests);
    const auto history = ui.statusHistory();
    const bool waited = std::find(history.begin(), history.end(), c.waitText) != history.end();
    EXPECT_EQ(waited, !c.waitText.empty());
    if (c.row1 == rowFor("a")) continue;
    const std::vector<Text> tips = ui.batchView().toolTips();  // of every batch so far
    const Text why = tips.at(tips.size() - 2);
    EXPECT_NE(ui.statusText().find("共 1 行失败（第 1 行：" + why + "）"), Text::npos) << ui.statusText();
    if (c.row1 == "error:concurrency") {
      EXPECT_EQ(why, "HTTP 503：error:concurrency");
    }
  }
}

// A service that asks for a day's wait gets nothing more of the batch: every line ends at once
// with the reason, marked as refused (so that another plug-in may take the lines).
TEST_F(BatchTest, AnUnreasonableWaitEndsTheServicesLinesAtOnce) {
  for (const char* retryAfter : {"99999", "Wed, 21 Oct 2099 07:28:00 GMT"}) {
    SCOPED_TRACE(retryAfter);
    test::RawHttpServer service;
    service.answerOthers({"HTTP/1.1 429 Too Many Requests\r\nRetry-After: " + std::string(retryAfter) +
                          "\r\nContent-Length: 0\r\n\r\n"});
    const std::string file = test::WritePlugin(dir, "p.json", {.path = service.url("/x?")});
    std::vector<BatchLineResult> results;
    GenerationJob job;
    job.concurrency = 4;
    job.lines = [](int n) -> std::optional<JobLine> {
      if (n > 50) return std::nullopt;
      return JobLine{"https://a.example/" + std::to_string(n)};
    };
    job.plugin = [&] { return BatchPlugin{"P", file}; };
    job.onResult = [&](const BatchLineResult& r) { results.push_back(r); };
    EXPECT_EQ(BatchRunner(std::move(job)).run(), 50);
    ASSERT_EQ(results.size(), 50u);
    for (const BatchLineResult& r : results) {
      EXPECT_EQ(r.outcome, LineOutcome::Refused) << r.line;
      EXPECT_EQ(r.reason, results[0].reason) << r.line;
    }
    EXPECT_TRUE(results[0].reason.starts_with("服务要求等待 ")) << results[0].reason;
    EXPECT_LE(service.requests().size(), 4u);

    // The window says so in every row's tool tip and in the status bar.
    PluginRegistry::load(ui);
    ui.pluginChoice().setCurrentIndex(0);
    generate("https://a.example/1\nhttps://a.example/2\nhttps://a.example/3");
    const std::vector<Text> tips = ui.batchView().toolTips();
    EXPECT_EQ(std::vector<Text>(tips.end() - 3, tips.end()), std::vector<Text>(3, results[0].reason));
    EXPECT_EQ(ui.statusText(), "网址生成完毕! 共 3 行失败（第 1 行：" + results[0].reason + "）");
  }
}

// An answer beyond the line's share of the batch's bound fails the line, naming the cap; alone,
// the same answer fits.
TEST_F(BatchTest, ALinesAnswerIsCutAtItsShare) {
  test::RawHttpServer service;
  const std::string body = "http://s/" + std::string(1536 * 1024, 'h');
  service.answerOthers({"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body});
  const std::string file = test::WritePlugin(dir, "p.json", {.path = service.url("/x?")});
  const struct {
    int lines;
    int concurrency;
    bool cut;
  } cases[] = {{3, 64, true}, {1, 1, false}, {2, 8, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.concurrency);
    std::vector<BatchLineResult> results;
    GenerationJob job;
    job.lineCount = c.lines;
    job.concurrency = c.concurrency;
    job.lines = [&](int n) -> std::optional<JobLine> {
      if (n > c.lines) return std::nullopt;
      return JobLine{"https://a.example/" + std::to_string(n)};
    };
    job.plugin = [&] { return BatchPlugin{"P", file}; };
    job.onResult = [&](const BatchLineResult& r) { results.push_back(r); };
    EXPECT_EQ(BatchRunner(std::move(job)).run(), c.lines);
    ASSERT_EQ(results.size(), static_cast<size_t>(c.lines));
    for (const BatchLineResult& r : results) {
      EXPECT_EQ(r.linked(), !c.cut) << r.reason;
      if (c.cut) {
        EXPECT_NE(r.reason.find("回应内容过大：超过 1048576 字节"), Text::npos) << r.reason;
      }
    }
  }
}

// After a rate limit the batch goes on one request at a time to that service.
TEST_F(BatchTest, OneAtATimeAfterARateLimit) {
  // Lines 2 to 4, in flight beside line 1, answer after its 429 has arrived.
  test::EchoService service([](const std::string& target) {
    for (const char* late : {"=%32", "=%33", "=%34"})
      if (target.ends_with(late)) return 80;
    return 20;
  });
  service.script({{"HTTP/1.1 429 Too Many Requests\r\nRetry-After: 0\r\nContent-Length: 0\r\n\r\n"}});
  usePlugin(service);
  setConcurrency(4);
  Text input;
  std::vector<Text> wanted;
  for (int n = 1; n <= 12; ++n) {
    input += std::to_string(n) + "\n";
    wanted.push_back(rowFor(std::to_string(n)));
  }
  generate(input);
  EXPECT_EQ(shortColumn(), wanted);
  EXPECT_EQ(service.requests(), 13);
  EXPECT_EQ(service.mostEchoingAtOnceAfterScript(), 1);
}

// The box is read again only after it changed, and lines not yet started take the new text.
TEST_F(BatchTest, InputBoxEditedDuringTheBatch) {
  test::EchoService service([&](const std::string& target) {
    if (target.find(PercentEncode("a2")) != std::string::npos) ui.longUrlBox().setText("b1\nb2\nb3\nb4\nb5");
    return 0;
  });
  usePlugin(service);
  setConcurrency(1);
  ui.longUrlBox().setText("a1\na2\na3\na4");
  const int readsBefore = ui.longUrl().reads();
  click();
  ASSERT_TRUE(WaitForDetached(30s));
  EXPECT_EQ(shortColumn(), (std::vector<Text>{rowFor("a1"), rowFor("a2"), rowFor("b3"), rowFor("b4")}));
  EXPECT_EQ(ui.longUrl().reads() - readsBefore, 3);  // the click's check, the start, once after the edit
}

TEST_F(BatchTest, StopKeepsTheFinishedRowsAndSaysHowMany) {
  test::EchoService service(
      [](const std::string& target) { return target.find("%33") != std::string::npos ? 3000 : 0; });
  usePlugin(service);
  setConcurrency(1);
  EXPECT_FALSE(StopGenerations());
  ui.longUrlBox().setText("1\n2\n3\n4\n5");
  click();
  while (service.requests() < 3) std::this_thread::sleep_for(5ms);
  const auto stopped = std::chrono::steady_clock::now();
  EXPECT_TRUE(StopGenerations());
  ASSERT_TRUE(WaitForDetached(30s));
  EXPECT_LT(std::chrono::steady_clock::now() - stopped, 1s);
  EXPECT_EQ(shortColumn(), (std::vector<Text>{rowFor("1"), rowFor("2")}));
  EXPECT_EQ(ui.statusText(), "已停止生成：完成 2 / 5 行");
  EXPECT_FALSE(GenerationRunning());
}

}  // namespace
}  // namespace pindle
