#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "app/app_paths.h"
#include "app/link_actions.h"
#include "platform/memory_controls.h"
#include "tests/support/httplib_server.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// A short link that leads through one more address to its target.
void ShortLinkRoutes(httplib::Server& s) {
  s.Get("/s/1", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/via", 301); });
  s.Get("/via", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/目标", 302); });
  s.Get("/loop", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
  s.Get(".*", [](const httplib::Request&, httplib::Response& res) { res.set_content("ok", "text/plain"); });
}

TEST(LinkActions, ExpandShowsTheChainInANotice) {
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  test::HttplibLoopbackServer server(ShortLinkRoutes);
  MemoryControls ui;
  ShowRedirectChain(ui, server.url("/s/1"));
  ASSERT_EQ(ui.notices().size(), 1u);
  const Notice shown = ui.notices()[0];
  EXPECT_EQ(shown.title, "展开短网址");
  const std::string target = server.url("/%e7%9b%ae%e6%a0%87");
  EXPECT_EQ(shown.message, "1. 301  " + server.url("/s/1") + "\n2. 302  " + server.url("/via") + "\n3. 200  " + target +
                               "\n\n最终地址：" + target);
  EXPECT_EQ(ui.statusText(), "短网址已展开");

  ShowRedirectChain(ui, server.url("/loop"));
  EXPECT_NE(ui.notices().back().message.find("未能展开：跳转成环"), std::string::npos);
  EXPECT_NE(ui.statusText().find("短网址未能展开"), std::string::npos);
}

#ifdef PINDLE_BINARY

class ToolCommandsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string program;
  void SetUp() override {
    program = dir.file("pindle");
    std::filesystem::copy_file(PINDLE_BINARY, program);
  }
  test::ProcessResult run(std::vector<std::string> args) {
    args.insert(args.begin(), program);
    return test::RunProcess(args, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}});
  }
};

TEST_F(ToolCommandsTest, QrDrawsOnTheTerminalAndWritesAReadablePng) {
  const std::string link = "https://例子.cn/路径?x=1";
  auto r = run({"qr", "--png", dir.file("q.png"), "--scale", "4", link});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = test::RunProcess({"/usr/bin/zbarimg", "--raw", "-q", dir.file("q.png")}, {{"PATH", "/usr/bin:/bin"}});
  EXPECT_EQ(r.out, link + "\n");

  r = run({"qr", "https://is.gd/x"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("█"), std::string::npos);
  EXPECT_NE(r.out.find("▀"), std::string::npos);
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string errHas;
  } cases[] = {
      {{"qr"}, 2, "需要且只需要一段文本"},         {{"qr", "a", "b"}, 2, "需要且只需要一段文本"},
      {{"qr", "--scale", "0", "a"}, 2, "--scale"}, {{"qr", "--png"}, 2, "后面需要一个值"},
      {{"qr", std::string(8000, 'x')}, 1, "太长"}, {{"qr", "--png", "/nonexistent/q.png", "a"}, 1, "无法写入文件"},
  };
  for (const auto& c : cases) {
    r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args.size();
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
  }
}

TEST_F(ToolCommandsTest, ExpandPrintsTheFinalAddressOrTheChain) {
  test::HttplibLoopbackServer server(ShortLinkRoutes);
  const std::string target = server.url("/%e7%9b%ae%e6%a0%87");
  auto r = run({"expand", server.url("/s/1"), server.url("/loop"), server.url("/via")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out, target + "\n\n" + target + "\n");
  EXPECT_NE(r.err.find(server.url("/loop") + "：跳转成环"), std::string::npos) << r.err;

  r = run({"expand", "--chain", server.url("/s/1"), server.url("/via")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "301\t" + server.url("/s/1") + "\n302\t" + server.url("/via") + "\n200\t" + target + "\n\n302\t" +
                       server.url("/via") + "\n200\t" + target + "\n");
  EXPECT_EQ(run({"expand"}).exitCode, 2);
  EXPECT_EQ(run({"expand", "--bogus", "http://a"}).exitCode, 2);
}

#endif

}  // namespace
}  // namespace pindle
