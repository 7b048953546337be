#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>

#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "config/fallback_plugins.h"
#include "config/settings.h"
#include "generate/batch_runner.h"
#include "generate/generate_command.h"
#include "generate/shorten_engine.h"
#include "history/history_store.h"
#include "platform/background.h"
#include "plugins/plugin_rows.h"
#include "tests/support/echo_service.h"
#include "tests/support/httplib_server.h"
#include "tests/support/loopback_socket.h"
#include "tests/support/plugin_files.h"
#include "tests/support/raw_http_server.h"
#include "tests/support/test_certificates.h"
#include "text/percent_encoding.h"

namespace pindle {
namespace {

using namespace std::chrono_literals;

// The window's generation with "备用插件": each line the first plug-in gives no link goes on.
class FallbackTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  MemoryControls ui;
  Workers workers;  // after ui: its threads end before ui goes
  test::EchoService b;

  void SetUp() override {
    SetPaths(AppPaths::FromProgramDirectory(dir.path()));
    Settings::write(kSoftwareSection, kConcurrencyKey, "1");
    test::WritePlugin(dir, "b.json", {.name = "B", .path = b.url("/b?")});
  }
  void TearDown() override {
    WaitForDetached(30s);
    SetPaths({});
  }
  void generate(const Text& chosen, const Text& fallbacks, const Text& input) {
    Settings::write(kSoftwareSection, kFallbackPluginsKey, fallbacks);
    PluginRegistry::load(ui);
    const std::vector<Text> offered = ui.pluginChoice().items();
    for (size_t i = 0; i < offered.size(); ++i)
      if (offered[i] == chosen) ui.pluginChoice().setCurrentIndex(static_cast<int>(i));
    ui.longUrlBox().setText(input);
    OnGenerateClicked(ui, workers);
    ASSERT_TRUE(WaitForDetached(30s));
  }
  std::vector<std::vector<Text>> rows() { return ui.results().rows(); }
  // Oldest first: plug-in and whether it gave a link.
  std::vector<Text> history() {
    std::vector<Text> seen;
    for (const HistoryEntry& e : HistoryStore(HistoryFile(Paths())).find("", 0))
      seen.insert(seen.begin(), e.plugin + (e.failure.empty() ? "+" : "-"));
    return seen;
  }
};

TEST_F(FallbackTest, DeadFirstPluginEveryLineFromTheNext) {
  test::WritePlugin(dir, "a.json",
                    {.name = "A", .path = "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort()) + "/a?"});
  generate("A", "B", "u1\r\nu2\r\nu3");
  EXPECT_EQ(rows(), (std::vector<std::vector<Text>>{{"B", test::EchoService::echo("/b?url=%75%31")},
                                                    {"B", test::EchoService::echo("/b?url=%75%32")},
                                                    {"B", test::EchoService::echo("/b?url=%75%33")}}));
  EXPECT_EQ(ui.statusText(), "网址生成完毕!");
  EXPECT_EQ(history(), (std::vector<Text>{"A-", "B+", "A-", "B+", "A-", "B+"}));
  for (const HistoryEntry& e : HistoryStore(HistoryFile(Paths())).find("", 0)) {
    if (e.plugin == "A") {
      EXPECT_NE(e.failure.find("无法连接服务器"), Text::npos) << e.failure;
    }
  }
}

TEST_F(FallbackTest, WhichPluginGivesEachLine) {
  // A links only the lines that hold "ok"; C answers no link at all.
  test::HttplibLoopbackServer a([](httplib::Server& s) {
    s.Get("/a", [](const httplib::Request& req, httplib::Response& res) {
      const std::string url = req.get_param_value("url");
      res.set_content(url.find("ok") != std::string::npos ? "http://a/" + url : "额度已用完", "text/plain");
    });
  });
  test::HttplibLoopbackServer c([](httplib::Server& s) {
    s.Get("/c", [](const httplib::Request&, httplib::Response& res) { res.set_content("维护中", "text/plain"); });
  });
  test::WritePlugin(dir, "a.json", {.name = "A", .path = a.url("/a?"), .data = "url=$RawUrl$"});
  test::WritePlugin(dir, "c.json", {.name = "C", .path = c.url("/c?")});
  test::WritePlugin(dir, "d.json", {.name = "D", .path = b.url("/d?")});
  Settings::write(kPluginSwitchSection, "D", kSwitchOff);
  const struct {
    const char* name;
    Text chosen, fallbacks, input;
    std::vector<Text> plugins;  // column 接口 of each row
    std::vector<Text> history;
  } cases[] = {
      {"none set: as without fallbacks", "A", "", "ok1\nx2", {"A", "A"}, {"A+", "A-"}},
      {"only lines without a link move on", "A", "B", "ok1\nx2\nok3", {"A", "B", "A"}, {"A+", "A-", "B+", "A+"}},
      {"unknown, off or chosen names skipped", "A", "A|无此插件|D|C|B", "x1", {"B"}, {"A-", "C-", "B+"}},
      {"all failing: the last one's answer", "A", "C", "x1", {"C"}, {"A-", "C-"}},
  };
  for (const auto& t : cases) {
    SCOPED_TRACE(t.name);
    HistoryStore(HistoryFile(Paths())).remove([] {
      std::vector<std::int64_t> ids;
      for (const HistoryEntry& e : HistoryStore(HistoryFile(Paths())).find("", 0)) ids.push_back(e.id);
      return ids;
    }());
    generate(t.chosen, t.fallbacks, t.input);
    std::vector<Text> plugins;
    for (const auto& row : rows()) plugins.push_back(row[0]);
    EXPECT_EQ(plugins, t.plugins);
    EXPECT_EQ(history(), t.history);
  }
  EXPECT_EQ(rows()[0][1], "维护中");
}

// A service that asks to wait 27 hours hands the rest of the batch to the next plug-in at once,
// also when that plug-in's service lives on the same host (another path, another key).
TEST_F(FallbackTest, UnreasonableWaitSendsTheBatchOnAtOnce) {
  std::atomic<int> asked{0};
  test::HttplibLoopbackServer shared([&](httplib::Server& s) {
    s.Get("/a", [&](const httplib::Request&, httplib::Response& res) {
      ++asked;
      res.status = 429;
      res.set_header("Retry-After", "99999");
    });
    s.Get("/b", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(test::EchoService::echo(req.target), "text/plain");
    });
  });
  test::RawHttpServer a;
  a.answerOthers({"HTTP/1.1 429 Too Many Requests\r\nRetry-After: 99999\r\nContent-Length: 0\r\n\r\n"});
  Settings::write(kSoftwareSection, kConcurrencyKey, "4");
  Text input;
  for (int n = 1; n <= 30; ++n) input += "u" + std::to_string(n) + "\n";
  for (const bool sameHost : {false, true}) {
    SCOPED_TRACE(sameHost ? "B on the same host" : "B on another host");
    HistoryStore(HistoryFile(Paths())).remove([] {
      std::vector<std::int64_t> ids;
      for (const HistoryEntry& e : HistoryStore(HistoryFile(Paths())).find("", 0)) ids.push_back(e.id);
      return ids;
    }());
    test::WritePlugin(dir, "a.json", {.name = "A", .path = sameHost ? shared.url("/a?") : a.url("/a?")});
    if (sameHost) test::WritePlugin(dir, "b.json", {.name = "B", .path = shared.url("/b?")});
    const auto started = std::chrono::steady_clock::now();
    generate("A", "B", input);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);
    ASSERT_EQ(rows().size(), 30u);
    for (size_t n = 0; n < 30; ++n) {
      EXPECT_EQ(rows()[n][0], "B");
      EXPECT_EQ(rows()[n][1], test::EchoService::echo("/b?url=" + PercentEncode("u" + std::to_string(n + 1))));
    }
    EXPECT_LE(sameHost ? static_cast<size_t>(asked.load()) : a.requests().size(), 4u);
    EXPECT_EQ(ui.statusText(), "网址生成完毕!");
    // The history names A with its reason for the lines it refused.
    int refusedByA = 0;
    for (const HistoryEntry& e : HistoryStore(HistoryFile(Paths())).find("", 0)) {
      if (e.plugin != "A") continue;
      ++refusedByA;
      EXPECT_TRUE(e.failure.starts_with("服务要求等待 ")) << e.failure;
    }
    EXPECT_GE(refusedByA, 1);
  }
}

// A plug-in that lacks a value it needs sends nothing and hands the batch on after one line.
TEST_F(FallbackTest, MissingValuePassedOverAfterTheFirstLine) {
  test::WritePlugin(
      dir, "a.json",
      {.name = "A", .path = b.url("/a?key=$Field:Key$&"), .fields = R"([{"Name": "Key", "Label": "API 密钥"}])"});
  generate("A", "B", "u1\nu2\nu3");
  ASSERT_EQ(rows().size(), 3u);
  for (const auto& row : rows()) EXPECT_EQ(row[0], "B");
  EXPECT_EQ(history(), (std::vector<Text>{"A-", "B+", "B+", "B+"}));
  EXPECT_TRUE(HistoryStore(HistoryFile(Paths())).find("", 0).back().failure.starts_with("缺少配置：API 密钥"))
      << HistoryStore(HistoryFile(Paths())).find("", 0).back().failure;
  EXPECT_EQ(b.requests(), 3);
}

// A service whose certificate is refused refuses every line: the batch stops sending to it.
TEST_F(FallbackTest, RefusedCertificateSkippedForTheRestOfTheBatch) {
  test::HttplibLoopbackServer tls(test::SelfSignedCertificate({"127.0.0.1"}), [](httplib::Server& s) {
    s.Get("/a", [](const httplib::Request&, httplib::Response& res) { res.set_content("http://a/1", "text/plain"); });
  });
  std::atomic<int> connections{0};
  test::LoopbackAcceptor counting([&](int fd) {
    ++connections;
    const int upstream = test::ConnectTcp("127.0.0.1", tls.port());
    if (upstream >= 0) {
      test::Tunnel(fd, upstream);
      close(upstream);
    }
  });
  test::WritePlugin(dir, "a.json",
                    {.name = "A", .path = "https://127.0.0.1:" + std::to_string(counting.port()) + "/a?"});
  generate("A", "B", "u1\nu2\nu3\nu4\nu5");
  ASSERT_EQ(rows().size(), 5u);
  for (const auto& row : rows()) EXPECT_EQ(row[0], "B");
  // The first line's try and its one repeat of a connection that failed before any answer.
  EXPECT_LE(connections.load(), 2);
  EXPECT_EQ(history(), (std::vector<Text>{"A-", "B+", "B+", "B+", "B+", "B+"}));
}

}  // namespace
}  // namespace pindle
