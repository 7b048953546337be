#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/codepage.h"
#include "tests/support/echo_service.h"
#include "tests/support/loopback_socket.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

// `pindle check`: one healthy plug-in, one on a closed port, one switched off.
class CheckCommandTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::EchoService good;
  std::string program;

  void SetUp() override {
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
    test::WritePlugin(dir, "good.json", {.name = "好的", .path = good.url("/g?")});
    test::WritePlugin(
        dir, "dead.json",
        {.name = "Dead", .path = "http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort()) + "/d?"});
    test::WritePlugin(dir, "off.json", {.name = "Off", .path = good.url("/off?")});
    dir.write("Setting.ini", Utf8ToGbk("[插件开关]\r\nOff=否\r\n"));
  }
  test::ProcessResult run(std::vector<std::string> args) {
    args.insert(args.begin(), program);
    return test::RunProcess(args, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}});
  }
  // The table's rows by plug-in name: outcome, reason, link (the time varies).
  static std::map<std::string, std::string> table(const std::string& out) {
    std::map<std::string, std::string> rows;
    std::istringstream in(out);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "插件\t结果\t原因\t用时\t短网址");
    while (std::getline(in, line)) {
      std::vector<std::string> cells;
      std::istringstream fields(line);
      for (std::string cell; std::getline(fields, cell, '\t');) cells.push_back(cell);
      cells.resize(5);
      EXPECT_NE(cells[3].find(" 毫秒"), std::string::npos) << line;
      rows[cells[0]] = cells[1] + "|" + cells[2].substr(0, cells[2].find("：")) + "|" + cells[4];
    }
    return rows;
  }
};

TEST_F(CheckCommandTest, TableJsonAndExitCodes) {
  const std::string link = test::EchoService::echo("/g?url=");
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::map<std::string, std::string> rows;
  } cases[] = {
      {{}, 1, {{"好的", "正常||" + link}, {"Dead", "失败|无法连接服务器|"}}},
      {{"-p", "好的"}, 0, {{"好的", "正常||" + link}}},
      {{"-p", "off", "--url", "http://x.example/"}, 0, {{"Off", "正常||" + test::EchoService::echo("/off?url=")}}},
      {{"-p", "Dead,好的"}, 1, {{"好的", "正常||" + link}, {"Dead", "失败|无法连接服务器|"}}},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"check"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const auto r = run(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    auto rows = table(r.out);
    for (auto& [name, row] : rows)
      row = row.substr(0, row.find("url=") == std::string::npos ? row.size() : row.find("url=") + 4);
    EXPECT_EQ(rows, c.rows) << r.out;
  }
  EXPECT_EQ(run({"check", "-p", "无此插件"}).exitCode, 2);

  const auto r = run({"check", "--json"});
  EXPECT_EQ(r.exitCode, 1);
  std::map<std::string, nlohmann::json> lines;
  std::istringstream in(r.out);
  for (std::string line; std::getline(in, line);) {
    const auto j = nlohmann::json::parse(line);
    lines[j["plugin"]] = j;
  }
  ASSERT_EQ(lines.size(), 2u) << r.out;
  EXPECT_EQ(lines["好的"]["status"], "正常");
  EXPECT_EQ(lines["好的"]["ok"], true);
  EXPECT_EQ(lines["好的"]["link"],
            test::EchoService::echo("/g?url=") + "%68%74%74%70%73%3A%2F%2F%65%78%61%6D%70%6C%65%2E%63%6F%6D%2F");
  EXPECT_EQ(lines["Dead"]["status"], "失败");
  EXPECT_NE(lines["Dead"]["reason"].get<std::string>().find("无法连接服务器"), std::string::npos);
  EXPECT_TRUE(lines["Dead"]["ms"].is_number());

  // Kept where the window looks at its next start.
  const std::string ini = GbkToUtf8Text(dir.read("Deploy/Dead.ini"));
  EXPECT_NE(ini.find("[状态]"), std::string::npos);
  EXPECT_NE(ini.find("结果=失败"), std::string::npos);
}

}  // namespace
}  // namespace pindle

#endif
