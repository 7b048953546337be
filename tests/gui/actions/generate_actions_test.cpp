#include "app/gui/actions/generate_actions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <set>

#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "generate/generate_command.h"
#include "generate/shorten_engine.h"
#include "platform/background.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "text/percent_encoding.h"

namespace pindle {
namespace {

class GenerateTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::LoopbackShortener service;
  MemoryControls ui;
  Workers workers;  // after ui: its threads end before ui goes

  void SetUp() override { SetPaths(AppPaths::FromProgramDirectory(dir.path())); }
  void TearDown() override {
    WaitForDetached(std::chrono::seconds(30));
    SetPaths({});
  }

  // "并发数"; 1 is the one-after-the-other batch.
  void setConcurrency(int n) { Settings::write(kSoftwareSection, kConcurrencyKey, std::to_string(n)); }
  void loadPlugin(test::PluginFields fields = {}) {
    if (fields.path.empty()) fields.path = service.base() + "/create.php?format=simple&";
    test::WritePlugin(dir, "p.json", fields);
    PluginRegistry::load(ui);
    ui.pluginChoice().setCurrentIndex(0);
  }
  // Clicks 生成 and waits for the generation to end.
  void generate(const Text& input) {
    ui.longUrlBox().setText(input);
    OnGenerateClicked(ui, workers);
    ASSERT_TRUE(WaitForDetached(std::chrono::seconds(30)));
  }
  std::vector<Text> shortColumn() {
    std::vector<Text> out;
    for (const auto& row : ui.results().rows()) out.push_back(row.size() > 1 ? row[1] : "");
    return out;
  }
};

TEST_F(GenerateTest, ValidationInItsOrder) {
  OnGenerateClicked(ui, workers);
  EXPECT_EQ(ui.statusText(), "插件未加载，请刷新插件列表");  // even with the URL box empty
  loadPlugin();
  ui.pluginChoice().setCurrentIndex(-1);
  OnGenerateClicked(ui, workers);
  EXPECT_EQ(ui.statusText(), "请输入网址啊！");  // the URL is checked before the choice
  ui.longUrlBox().setText("https://a");
  OnGenerateClicked(ui, workers);
  EXPECT_EQ(ui.statusText(), "请选择需要生成的接口！");
  EXPECT_TRUE(WaitForDetached(std::chrono::seconds(1)));
  EXPECT_TRUE(service.requests().empty());
}

TEST_F(GenerateTest, OneRowPerLineInOrder) {
  setConcurrency(1);
  loadPlugin();
  struct Case {
    Text input;
    std::vector<Text> sentUrls;
  } cases[] = {
      {"https://a", {"https://a"}},
      {"https://a\n", {"https://a"}},  // the line break ending a single URL is not
                                       // sent
      {"u1\nu2\nu3", {"u1", "u2", "u3"}},
      {"u1\r\nu2\r\n", {"u1", "u2"}},
      {"u1\n\nu2", {"u1", "", "u2"}},
  };
  for (const auto& c : cases) {
    service.clearRequests();
    generate(c.input);
    const auto seen = service.requests();
    ASSERT_EQ(seen.size(), c.sentUrls.size()) << c.input;
    std::set<int> connections;
    for (const auto& s : seen) connections.insert(s.remotePort);
    EXPECT_EQ(connections.size(), 1u) << "a batch keeps its connection: " << c.input;
    const auto rows = ui.results().rows();
    ASSERT_EQ(rows.size(), c.sentUrls.size()) << c.input;
    for (size_t i = 0; i < seen.size(); ++i) {
      const std::string wantTarget = "/create.php?format=simple&url=" + PercentEncode(c.sentUrls[i]);
      EXPECT_EQ(seen[i].target, wantTarget) << c.input;
      EXPECT_EQ(rows[i][0], "测试短链");
      // An empty long URL gets the service's error text in its row; the rest get their links.
      if (c.sentUrls[i].empty())
        EXPECT_EQ(rows[i][1], "Error: Please enter a valid URL to shorten");
      else
        EXPECT_EQ(rows[i][1], service.shortFor(static_cast<int>(i) + 1));
    }
    // The rows are as they always were; the status bar says why a row holds no link.
    const bool refused = std::count(c.sentUrls.begin(), c.sentUrls.end(), "") > 0;
    EXPECT_EQ(ui.statusText(),
              refused ? "网址生成完毕! 共 1 行失败（第 2 行：HTTP 400：Error: Please enter a valid URL to shorten）"
                      : "网址生成完毕!");
    const auto history = ui.statusHistory();
    EXPECT_NE(std::find(history.begin(), history.end(), "正在生成网址"), history.end());
  }
}

// URL<TAB>ALIAS lines give an alias only to a plug-in that takes one; for any other the line goes
// out whole, tab included.
TEST_F(GenerateTest, AliasLinesOnlyForAPluginThatTakesAnAlias) {
  setConcurrency(1);
  struct Case {
    Text data;
    std::vector<Text> targets;
  } cases[] = {
      {"a=$Alias$&url=$Url$", {"a=my%20x&url=" + PercentEncode("https://a"), "a=&url=" + PercentEncode("https://b")}},
      {"url=$Url$", {"url=" + PercentEncode("https://a\tmy x "), "url=" + PercentEncode("https://b")}},
  };
  for (const auto& c : cases) {
    loadPlugin({.path = service.base() + "/create.php?format=simple&", .data = c.data});
    service.clearRequests();
    generate("https://a\tmy x \nhttps://b");
    const auto seen = service.requests();
    ASSERT_EQ(seen.size(), c.targets.size()) << c.data;
    for (size_t i = 0; i < seen.size(); ++i)
      EXPECT_EQ(seen[i].target, "/create.php?format=simple&" + c.targets[i]) << c.data;
  }
}

TEST_F(GenerateTest, PluginRowFoundWithoutRegardToCaseAndMissingRow) {
  loadPlugin({.name = "Is.GD"});
  ui.pluginChoice().setItems({"is.gd"}, 0);
  generate("https://a");
  ASSERT_EQ(ui.results().rows().size(), 1u);
  EXPECT_EQ(ui.results().rows()[0][0], "Is.GD");
  EXPECT_EQ(ui.results().rows()[0][1], service.shortFor(1));

  // A chosen name no row carries: nothing is sent, each pass still adds a row.
  ui.pluginChoice().setItems({"gone"}, 0);
  generate("a\nb");
  EXPECT_EQ(ui.results().rows(), (std::vector<std::vector<Text>>{{"", ""}, {"", ""}}));
  EXPECT_EQ(service.requests().size(), 1u);
}

TEST_F(GenerateTest, FailedRequestsNameTheirReason) {
  loadPlugin({.path = "http://127.0.0.1:1/none?", .responseType = "1", .parameter = "u"});
  generate("a\nb");
  EXPECT_EQ(shortColumn(), (std::vector<Text>{"JSON解析失败", "JSON解析失败"}));
  EXPECT_TRUE(ui.statusText().starts_with("网址生成完毕! 共 2 行失败（第 1 行：无法连接服务器")) << ui.statusText();
  const auto history = ui.statusHistory();
  EXPECT_NE(std::find_if(history.begin(), history.end(),
                         [](const Text& t) { return t.starts_with("网址生成完毕! 第 2 行失败：无法连接服务器"); }),
            history.end());
  const std::vector<Text> tips = ui.batchView().toolTips();
  ASSERT_EQ(tips.size(), 2u);
  EXPECT_TRUE(tips[1].starts_with("无法连接服务器")) << tips[1];
}

TEST_F(GenerateTest, PluginEditedDuringABatchAndUnknownType) {
  setConcurrency(1);
  loadPlugin({.responseType = "9"});
  generate("a");
  EXPECT_EQ(shortColumn(), std::vector<Text>{"数据错误！"});
  loadPlugin({.type = "get"});
  generate("a");
  EXPECT_EQ(shortColumn(), std::vector<Text>{""});

  // Edit the file while the batch runs: later lines use the new content.
  loadPlugin();
  service.server().Get("/slow", [&](const httplib::Request&, httplib::Response& res) {
    test::WritePlugin(dir, "p.json",
                      {.path = service.base() + "/create.php?",
                       .data = "format=json&url=$Url$",
                       .responseType = "1",
                       .parameter = "shorturl"});
    res.set_content("first", "text/plain");
  });
  test::WritePlugin(dir, "p.json", {.path = service.base() + "/slow?"});
  service.clearRequests();
  generate("a\nb");
  EXPECT_EQ(shortColumn(), (std::vector<Text>{"first", service.shortFor(2)}));
}

// The list reloads while a batch runs: the batch keeps the plug-in it started with, found by its
// file, and ends its lines with a reason once the file has left the list.
TEST_F(GenerateTest, ReloadDuringABatchKeepsItsPlugin) {
  setConcurrency(1);
  const struct {
    const char* name;
    std::function<void()> change;  // done during the first line's request, then the list reloads
    std::vector<std::vector<Text>> rows;
    Text lastTip;
  } cases[] = {
      {"a plug-in added sorts in front of it",
       [&] { test::WritePlugin(dir, "a.json", {.name = "A", .path = service.base() + "/other?"}); },
       {{"C", "http://s/c/a"}, {"C", "http://s/c/b"}, {"C", "http://s/c/c"}},
       ""},
      {"its file deleted",
       [&] { std::filesystem::remove(dir.file("Plug/c.json")); },
       {{"C", "http://s/c/a"}, {"C", ""}, {"C", ""}},
       "插件“C”已不在插件列表中，没有发送"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // A route of its own for each case: the server keeps the routes set before.
    const std::string route = "/c" + std::to_string(&c - cases);
    bool changed = false;
    service.server().Get(route, [&](const httplib::Request& req, httplib::Response& res) {
      if (!changed) {
        changed = true;
        c.change();
        PluginRegistry::load(ui);
      }
      res.set_content("http://s/c/" + req.get_param_value("url"), "text/plain");
    });
    std::filesystem::remove(dir.file("Plug/a.json"));
    test::WritePlugin(dir, "b.json", {.name = "B", .path = service.base() + "/b?"});
    test::WritePlugin(dir, "c.json", {.name = "C", .path = service.base() + route + "?", .data = "url=$RawUrl$"});
    PluginRegistry::load(ui);
    ui.pluginChoice().setCurrentIndex(1);
    ASSERT_EQ(ui.pluginChoice().currentText(), "C");
    generate("a\nb\nc");
    EXPECT_EQ(ui.results().rows(), c.rows);
    const std::vector<Text> tips = ui.batchView().toolTips();
    ASSERT_FALSE(tips.empty());
    EXPECT_EQ(tips.back(), c.lastTip);
  }
}

TEST_F(GenerateTest, SecondClickDuringABatchClearsAndBothAppend) {
  setConcurrency(1);
  loadPlugin();
  std::atomic<bool> release{false};
  service.server().Get("/wait", [&](const httplib::Request&, httplib::Response& res) {
    while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    res.set_content("https://w", "text/plain");
  });
  test::WritePlugin(dir, "p.json", {.path = service.base() + "/wait?"});
  ui.longUrlBox().setText("a\nb");
  OnGenerateClicked(ui, workers);
  while (service.requests().empty()) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  OnGenerateClicked(ui, workers);
  // Both workers are inside their first request, so both have cleared the list already.
  while (service.requests().size() < 2) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  release = true;
  ASSERT_TRUE(WaitForDetached(std::chrono::seconds(30)));
  EXPECT_EQ(shortColumn(), (std::vector<Text>(4, "https://w")));
}

}  // namespace
}  // namespace pindle
