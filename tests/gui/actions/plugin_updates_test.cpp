#include "app/gui/actions/plugin_updates.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "platform/codepage.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"

namespace pindle {
namespace {

class CloudPullTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::LoopbackShortener server;
  MemoryControls ui;
  std::string manifest;

  void SetUp() override {
    SetPaths(AppPaths::FromProgramDirectory(dir.path()));
    setenv("PINDLE_PLUGLIST_URL", (server.base() + "/raw/master/PlugList.json").c_str(), 1);
    auto& s = server.server();
    s.Get("/raw/master/PlugList.json",
          [this](const httplib::Request&, httplib::Response& r) { r.set_content(manifest, "application/json"); });
    s.Get(R"(/Plug/(good\w*)\.json)", [](const httplib::Request& q, httplib::Response& r) {
      r.set_content(Utf8ToGbk(test::PluginJson({.name = "云端" + q.matches[1].str()})), "application/json");
    });
    s.Get("/Plug/missing.json", [](const httplib::Request&, httplib::Response& r) {
      r.status = 404;
      r.set_content("not found", "text/plain");
    });
    s.Get("/Plug/junk.json",
          [](const httplib::Request&, httplib::Response& r) { r.set_content("<html>oops</html>", "text/html"); });
    s.Get("/Plug/empty.json",
          [](const httplib::Request&, httplib::Response& r) { r.set_content("", "application/json"); });
    s.Get(R"(/.*)", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(test::PluginJson({}), "application/json");
    });
  }
  void TearDown() override {
    unsetenv("PINDLE_PLUGLIST_URL");
    SetPaths({});
  }
  std::string url(const std::string& path) { return server.base() + path; }
};

TEST_F(CloudPullTest, DownloadsEveryGoodElementAndKeepsLocalFilesOnFailure) {
  dir.write("Plug/goodA.json", "old a");
  dir.write("Plug/missing.json", "old missing");
  dir.write("Plug/junk.json", "old junk");
  dir.write("Plug/empty.json", "old empty");
  manifest = "[\"" + url("/Plug/goodA.json") + "\", \"" + url("/Plug/goodB.json") + "\", \"" +
             url("/Plug/missing.json") + "\", \"" + url("/Plug/junk.json") + "\", \"" + url("/Plug/empty.json") +
             "\", 42, null, \"" + url("/Plug/") + "\", \"" + url("/Plug/..") + "\", \"" + url("/Plug/a.json?x=1") +
             "\", \"" + url("/Plug/notes.txt") + "\", \"x\\\\\", \"" + url("/Plug/goodC.json") + "\"]";
  const PullReport report = CloudPluginPull(ui, Config::Read());
  EXPECT_EQ(report.downloaded, 3);
  EXPECT_EQ(report.failed, 8);  // 3 failed downloads, 5 names refused; 42 and null are no addresses
  EXPECT_TRUE(report.problem.empty());
  EXPECT_EQ(dir.read("Plug/goodA.json"), Utf8ToGbk(test::PluginJson({.name = "云端goodA"})));
  EXPECT_EQ(dir.read("Plug/goodB.json"), Utf8ToGbk(test::PluginJson({.name = "云端goodB"})));
  EXPECT_EQ(dir.read("Plug/missing.json"), "old missing");
  EXPECT_EQ(dir.read("Plug/junk.json"), "old junk");
  EXPECT_EQ(dir.read("Plug/empty.json"), "old empty");
  for (const char* stray : {"a.json?x=1", "notes.txt", "Plug"})
    EXPECT_FALSE(std::filesystem::exists(dir.file("Plug/") + stray)) << stray;
  // The list was reloaded, and the last status says what came and what failed.
  EXPECT_EQ(ui.pluginList().rowCount(), 6);
  EXPECT_EQ(ui.statusText(), "插件加载完成！共加载 6 个插件（云端下载 3 个，失败 8 个）");
  EXPECT_EQ(ui.statusHistory().front(), "正在拉取云端插件！");
  EXPECT_EQ(CloudPluginSync::pluginListText(), manifest);
}

// A pull asked to stop (the window is closing) fetches no further file and leaves the list alone.
TEST_F(CloudPullTest, StoppedPullFetchesNoFurtherFile) {
  dir.write("Plug/goodA.json", "old a");
  manifest = "[\"" + url("/Plug/goodA.json") + "\", \"" + url("/Plug/goodB.json") + "\"]";
  std::stop_source stop;
  stop.request_stop();
  const PullReport report = CloudPluginPull(ui, Config::Read(), stop.get_token());
  EXPECT_EQ(report.downloaded + report.failed, 0);
  EXPECT_EQ(dir.read("Plug/goodA.json"), "old a");
  EXPECT_FALSE(std::filesystem::exists(dir.file("Plug/goodB.json")));
  EXPECT_EQ(ui.statusHistory(), std::vector<Text>{"正在拉取云端插件！"});
}

// A manifest names its files in its own encoding and they are asked for in it; the files land
// under their names either way. A download written as an object literal is a plug-in file too.
TEST_F(CloudPullTest, EntriesGoOutInTheManifestsEncoding) {
  test::LoopbackShortener literal;  // the fixture's server answers every other path itself
  literal.server().Get("/Plug/literal.json", [](const httplib::Request&, httplib::Response& r) {
    r.set_content("// 注释\n{Name: '云端literal', API: {Type: 'GET',},}", "application/javascript");
  });
  struct Case {
    const char* what;
    bool utf8;
    std::string wantTarget;
  } cases[] = {
      {"UTF-8 manifest", true, "/Plug/%E6%96%B0%E6%B5%AA.json"},
      {"GBK manifest", false, "/Plug/%D0%C2%C0%CB.json"},
  };
  for (const auto& c : cases) {
    const std::string text = "[\"" + url("/Plug/新浪.json") + "\", \"" + literal.base() + "/Plug/literal.json\"]";
    manifest = c.utf8 ? text : Utf8ToGbk(text);
    server.clearRequests();
    std::filesystem::remove_all(dir.file("Plug"));
    const PullReport report = CloudPluginPull(ui, Config::Read());
    EXPECT_EQ(report.downloaded, 2) << c.what;
    const auto seen = server.requests();
    ASSERT_EQ(seen.size(), 2u) << c.what;
    EXPECT_EQ(seen[1].target, c.wantTarget) << c.what;
    EXPECT_TRUE(std::filesystem::exists(dir.file("Plug/新浪.json"))) << c.what;
    EXPECT_NE(dir.read("Plug/literal.json").find("云端literal"), std::string::npos) << c.what;
  }
}

TEST_F(CloudPullTest, ManifestAddressAndBadManifests) {
  // The stored address wins over the built-in one; an empty stored value is an address too.
  Settings::write(kSoftwareSection, "插件更新", url("/other/PlugList.json"));
  EXPECT_EQ(CloudPluginSync::pluginListAddress(), url("/other/PlugList.json"));
  Settings::write(kSoftwareSection, "插件更新", "");
  EXPECT_EQ(CloudPluginSync::pluginListAddress(), "");
  const PullReport none = CloudPluginPull(ui, Config::Read());
  EXPECT_FALSE(none.ok());
  EXPECT_NE(ui.statusText().find("插件列表获取失败"), Text::npos) << ui.statusText();

  Settings::write(kSoftwareSection, "插件更新", url("/raw/master/PlugList.json"));
  for (const char* bad : {"junk", "{\"a\":1}", ""}) {
    manifest = bad;
    const PullReport report = CloudPluginPull(ui, Config::Read());
    EXPECT_EQ(report.problem, "插件列表格式错误") << bad;
    EXPECT_EQ(report.downloaded, 0);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.file("Plug")));  // nothing to write, nothing created
}

TEST_F(CloudPullTest, UpdateSinglePlugin) {
  struct Case {
    std::string updateUrl;
    Text status;
    bool replaced;
  } cases[] = {
      {"/Plug/goodNew.json", "更新插件完成！", true},
      {"/Plug/missing.json", "更新插件失败：HTTP 404", false},
      {"/Plug/junk.json", "更新插件失败：下载的内容不是插件文件", false},
      {"/Plug/empty.json", "更新插件失败：服务器返回空内容", false},
      {"", "更新插件失败：插件没有更新地址（UpdateURL）", false},
  };
  for (const auto& c : cases) {
    const std::string before = test::PluginJson({.updateUrl = c.updateUrl.empty() ? "" : url(c.updateUrl)});
    dir.write("Plug/mine.json", before);
    PluginRegistry::load(ui);
    ui.plugins().select(0);
    UpdateSinglePlugin(ui, Config::Read().verifyTls);
    EXPECT_EQ(ui.statusText(), c.status) << c.updateUrl;
    if (c.replaced)
      EXPECT_EQ(dir.read("Plug/mine.json"), Utf8ToGbk(test::PluginJson({.name = "云端goodNew"})));
    else
      EXPECT_EQ(dir.read("Plug/mine.json"), before) << c.updateUrl;
  }
  // Unreachable address: the reason is named, the file kept.
  const std::string before = test::PluginJson({.updateUrl = "http://127.0.0.1:1/x.json"});
  dir.write("Plug/mine.json", before);
  UpdateSinglePlugin(ui, Config::Read().verifyTls);
  EXPECT_EQ(ui.statusText().rfind("更新插件失败：", 0), 0u);
  EXPECT_EQ(dir.read("Plug/mine.json"), before);
}

// A link in Plug/ that leads out of it is never written through, by the pull or by 更新插件;
// a link to another file inside Plug/ still is.
TEST_F(CloudPullTest, LinksLeadingOutOfThePluginFolderAreNotWrittenThrough) {
  test::TempDir elsewhere;
  elsewhere.write("victim.json", "outside");
  dir.write("Plug/inside-target.json", "old inside");
  std::filesystem::create_symlink(elsewhere.file("victim.json"), dir.file("Plug/goodOut.json"));
  std::filesystem::create_symlink(dir.file("Plug/inside-target.json"), dir.file("Plug/goodIn.json"));
  manifest = "[\"" + url("/Plug/goodOut.json") + "\", \"" + url("/Plug/goodIn.json") + "\"]";
  const PullReport report = CloudPluginPull(ui, Config::Read());
  EXPECT_EQ(report.downloaded, 1);
  EXPECT_EQ(report.failed, 1);
  EXPECT_EQ(report.problem, "goodOut.json 是指向插件目录之外的链接，未写入");
  EXPECT_EQ(elsewhere.read("victim.json"), "outside");
  EXPECT_EQ(dir.read("Plug/inside-target.json"), Utf8ToGbk(test::PluginJson({.name = "云端goodIn"})));

  // 更新插件 of a plug-in whose file is such a link.
  elsewhere.write("victim.json", test::PluginJson({.name = "外面", .updateUrl = url("/Plug/goodNew.json")}));
  std::filesystem::remove(dir.file("Plug/goodIn.json"));
  std::filesystem::remove(dir.file("Plug/inside-target.json"));
  PluginRegistry::load(ui);
  ui.plugins().select(0);
  UpdateSinglePlugin(ui, Config::Read().verifyTls);
  EXPECT_EQ(ui.statusText(), "更新插件失败：插件文件是指向插件目录之外的链接，未写入");
  EXPECT_EQ(elsewhere.read("victim.json"), test::PluginJson({.name = "外面", .updateUrl = url("/Plug/goodNew.json")}));
}

TEST(PluginFileNames, OnlyPlainJsonNames) {
  struct Case {
    const char* name;
    bool ok;
  } cases[] = {{"a.json", true},    {"A.JSON", true},    {".json", false},    {"", false},
               {".", false},        {"..", false},       {"a.txt", false},    {"a\\b.json", false},
               {"a.json?x", false}, {"a#b.json", false}, {"中文.json", true}, {"a\x01.json", false}};
  for (const auto& c : cases) EXPECT_EQ(IsPlainPluginFileName(c.name), c.ok) << c.name;
}

}  // namespace
}  // namespace pindle
