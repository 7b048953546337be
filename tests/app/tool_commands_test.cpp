#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "history/history_store.h"
#include "platform/codepage.h"
#include "tests/support/httplib_server.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/short_link_routes.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

using test::kDownUrl;
using test::ShortLinkRoutes;

#ifdef PINDLE_BINARY

class ToolCommandsTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  std::string program;
  void SetUp() override {
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
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
  r = run({"expand", server.url("/down")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, std::string(kDownUrl) + "\n");
  EXPECT_NE(r.err.find(server.url("/down") + "：最终地址未能连接："), std::string::npos) << r.err;
  r = run({"expand", "--chain", server.url("/down")});
  EXPECT_EQ(r.out, "302\t" + server.url("/down") + "\n未连接\t" + kDownUrl + "\n");

  EXPECT_EQ(run({"expand"}).exitCode, 2);
  EXPECT_EQ(run({"expand", "--bogus", "http://a"}).exitCode, 2);
}

TEST_F(ToolCommandsTest, ShortenBatchesAreRecordedAndListed) {
  test::LoopbackShortener service;
  test::WritePlugin(dir, "isgd.json", {.name = "Is.gd", .path = service.base() + "/create.php?format=simple&"});
  // The same service, asked without the parameter it needs: it refuses with 400.
  test::WritePlugin(dir, "refused.json",
                    {.name = "Refused", .path = service.base() + "/create.php?format=simple&", .data = "x=$Url$"});
  auto r = run({"shorten", "-p", "is.gd", "https://a.example/一"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  r = run({"shorten", "-p", "refused", "https://x.example/"});
  EXPECT_EQ(r.exitCode, 1);
  r = run({"shorten", "-p", "is.gd", "https://b.example/2"});
  EXPECT_EQ(r.err.find("历史记录"), std::string::npos) << r.err;

  r = run({"history"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  // The failed pass is kept with its reason.
  const std::string kRefusal = "Error: Please enter a valid URL to shorten";
  std::vector<std::string> lines;
  std::istringstream out(r.out);
  for (std::string line; std::getline(out, line);) lines.push_back(line.substr(line.find('\t') + 1));
  EXPECT_EQ(lines, (std::vector<std::string>{"Is.gd\thttps://b.example/2\t" + service.shortFor(3) + "\t",
                                             "Refused\thttps://x.example/\t" + kRefusal + "\tHTTP 400：" + kRefusal,
                                             "Is.gd\thttps://a.example/一\t" + service.shortFor(1) + "\t"}));
  struct Case {
    std::vector<std::string> args;
    size_t lines;
    std::string has;
  } cases[] = {
      {{"history", "--search", "一"}, 1, "a.example"},
      {{"history", "--limit", "2"}, 2, "b.example"},
      {{"history", "--search", "IS.GD", "--limit", "0"}, 2, "Is.gd"},
      {{"history", "--search", "nothing"}, 0, ""},
      {{"history", "--csv"}, 4, "\xEF\xBB\xBF时间,接口,长网址,短网址,失败原因\r\n"},
  };
  for (const auto& c : cases) {
    r = run(c.args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(static_cast<size_t>(std::count(r.out.begin(), r.out.end(), '\n')), c.lines) << c.args[1];
    EXPECT_NE(r.out.find(c.has), std::string::npos) << r.out;
  }
  r = run({"history", "--json", "--limit", "1"});
  const auto line = nlohmann::json::parse(r.out);
  EXPECT_EQ(line["long"], "https://b.example/2");
  EXPECT_EQ(line["short"], service.shortFor(3));
  EXPECT_EQ(line["plugin"], "Is.gd");
  EXPECT_EQ(line["error"], "");
  for (const auto& bad :
       {std::vector<std::string>{"history", "--limit", "x"}, {"history", "--limit"}, {"history", "x"}})
    EXPECT_EQ(run(bad).exitCode, 2);

  // Switched off: nothing more is written.
  dir.write("Setting.ini", Utf8ToGbk("[软件设定]\r\n记录历史=假\r\n"));
  EXPECT_EQ(run({"shorten", "-p", "is.gd", "https://c.example/"}).exitCode, 0);
  EXPECT_EQ(run({"history", "--search", "c.example"}).out, "");
}

TEST_F(ToolCommandsTest, LockedOrGarbageHistoryNeverStopsTheBatch) {
  HistoryEntry first;
  first.longUrl = "https://first/";
  ASSERT_TRUE(HistoryStore(dir.file("history.sqlite")).append({first}));
  // Another process holds the write lock for the whole batch. Forked while this process has no
  // other thread, so the child may use the allocator.
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    sqlite3* db = nullptr;
    sqlite3_open(dir.file("history.sqlite").c_str(), &db);
    char c = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    (void)!read(release[0], &c, 1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  test::LoopbackShortener service;
  test::WritePlugin(dir, "isgd.json", {.name = "Is.gd", .path = service.base() + "/create.php?format=simple&"});
  auto r = run({"shorten", "-p", "is.gd", "-j", "1", "https://a/1", "https://a/2"});
  (void)!write(release[1], &c, 1);
  waitpid(holder, nullptr, 0);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, service.shortFor(1) + "\n" + service.shortFor(2) + "\n");
  EXPECT_NE(r.err.find("历史记录未能写入"), std::string::npos) << r.err;
  EXPECT_EQ(HistoryStore(dir.file("history.sqlite")).find("", 0).size(), 1u);

  dir.write("history.sqlite", std::string(3000, '\x01'));
  r = run({"shorten", "-p", "is.gd", "-j", "1", "https://a/3", "https://a/4"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, service.shortFor(3) + "\n" + service.shortFor(4) + "\n");
  EXPECT_NE(r.err.find("历史记录未能写入"), std::string::npos) << r.err;
  r = run({"history"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("无法读取历史记录"), std::string::npos);
}

#endif

}  // namespace
}  // namespace pindle
