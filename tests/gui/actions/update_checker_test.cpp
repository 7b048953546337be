#include <gtest/gtest.h>
#include <stdlib.h>

#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/update_actions.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "platform/shell_open.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

class UpdateCheckerTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::LoopbackShortener server;
  MemoryControls ui;
  std::vector<Text> opened;
  std::string manifest;

  void SetUp() override {
    SetPaths(AppPaths::FromProgramDirectory(dir.path()));
    setenv("PINDLE_UPDATE_URL", (server.base() + "/raw/master/Update.json").c_str(), 1);
    SetShellOpenHandler([this](const Text& t) {
      opened.push_back(t);
      return true;
    });
    server.server().Get("/raw/master/Update.json", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(manifest, "application/json");
    });
  }
  void TearDown() override {
    SetShellOpenHandler(nullptr);
    unsetenv("PINDLE_UPDATE_URL");
    SetPaths({});
  }
};

TEST_F(UpdateCheckerTest, ManifestsAndAnswers) {
  struct Case {
    std::string manifest;
    int answer;
    bool asks;
    std::vector<Text> opens;
    Text stored;  // "插件更新" afterwards
  } cases[] = {
      {R"({"Version":"2.4.4.1","DownUrl":"https://d","PlugUrl":"https://p/PlugList.json"})",
       kNoticeOk,
       false,
       {},
       "https://p/PlugList.json"},
      {R"({"Version":"2.4.4.2","DownUrl":"https://d/new","PlugUrl":"https://p2"})",
       kNoticeOk,
       true,
       {"https://d/new"},
       "https://p2"},
      {R"({"Version":"2.4.4.0","DownUrl":"https://d/old","PlugUrl":"https://p3"})",
       kNoticeCancel,
       true,
       {},
       "https://p3"},
      {R"({"Version":"2.4.4.1 ","DownUrl":"https://d/sp","PlugUrl":"https://p4"})",
       kNoticeTimedOut,
       true,
       {},
       "https://p4"},
      // Without a PlugUrl the stored address stays; the question does not depend on it.
      {R"({"Version":"9","DownUrl":"https://d"})", kNoticeOk, true, {"https://d"}, "kept"},
      {R"({"Version":"9","DownUrl":"https://d","PlugUrl":""})", kNoticeCancel, true, {}, "kept"},
      // The PlugUrl is stored whatever else is missing; no question without a version and a page.
      {R"({"PlugUrl":"https://p5"})", kNoticeOk, false, {}, "https://p5"},
      {R"({"Version":"9","PlugUrl":"https://p6"})", kNoticeOk, false, {}, "https://p6"},
      {R"({"Version":"9","DownUrl":"","PlugUrl":"https://p7"})", kNoticeOk, false, {}, "https://p7"},
      {R"({"Version":"9","DownUrl":"file:///etc/passwd","PlugUrl":"https://p8"})", kNoticeOk, false, {}, "https://p8"},
      {R"({"Version":"","DownUrl":"https://d","PlugUrl":"https://p9"})", kNoticeOk, false, {}, "https://p9"},
      {R"({Version:9,DownUrl:'HTTP://D/x',PlugUrl:'https://p10',})", kNoticeOk, true, {"HTTP://D/x"}, "https://p10"},
      {"<html>junk</html>", kNoticeOk, false, {}, "kept"},
      {"", kNoticeOk, false, {}, "kept"},
      {R"(["not","an","object"])", kNoticeOk, false, {}, "kept"},
  };
  for (const auto& c : cases) {
    Settings::write(kSoftwareSection, "插件更新", "kept");
    manifest = c.manifest;
    opened.clear();
    server.clearRequests();
    MemoryControls fresh;
    fresh.setNoticeAnswer([&](const Notice&) { return c.answer; });
    RunUpdateCheck(fresh, true);
    EXPECT_EQ(fresh.notices().size(), c.asks ? 1u : 0u) << c.manifest;
    if (c.asks) {
      EXPECT_EQ(fresh.notices()[0].message, "有新版本了！是否前往下载？");
      EXPECT_EQ(fresh.notices()[0].buttons, kButtonsOkCancel);
      EXPECT_EQ(fresh.notices()[0].title, "友情提醒");
      EXPECT_EQ(fresh.notices()[0].timeoutMs, 5000);
    }
    EXPECT_EQ(opened, c.opens) << c.manifest;
    EXPECT_EQ(Settings::read(kSoftwareSection, "插件更新"), c.stored) << c.manifest;
    EXPECT_EQ(server.requests().size(), 1u) << "one manifest, one answer";
  }
}

TEST_F(UpdateCheckerTest, UnreachableManifestChangesNothing) {
  setenv("PINDLE_UPDATE_URL", "http://127.0.0.1:1/raw/master/Update.json", 1);
  Settings::write(kSoftwareSection, "插件更新", "kept");
  RunUpdateCheck(ui, true);
  EXPECT_TRUE(ui.notices().empty());
  EXPECT_EQ(Settings::read(kSoftwareSection, "插件更新"), "kept");
}

}  // namespace
}  // namespace pindle
