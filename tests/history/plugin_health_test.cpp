#include "history/plugin_health.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// Uses newest first, one a second from `newest` down: 'o' gave a link, 'x' did not.
std::vector<HistoryEntry> Uses(const std::string& outcomes, std::int64_t newest) {
  std::vector<HistoryEntry> uses;
  for (const char c : outcomes) {
    HistoryEntry e;
    e.unixTime = newest--;
    e.plugin = "A";
    e.result = c == 'o' ? "http://s/1" : "";
    e.failure = c == 'o' ? "" : "无法连接服务器";
    uses.push_back(e);
  }
  return uses;
}

TEST(PluginHealth, TheNewerWordWins) {
  constexpr std::int64_t kCheck = 1'800'000'000, kBefore = kCheck - 100, kAfter = kCheck + 100;
  const PluginCheckState well{true, kCheck, 120, "", "http://s/x"};
  const PluginCheckState failed{false, kCheck, 3000, "无法连接服务器", ""};
  const Text checkDay = FormatHistoryTime(kCheck).substr(0, 10);
  const Text afterDay = FormatHistoryTime(kAfter).substr(0, 10);
  const std::string twenty(20, 'x');
  const struct {
    const char* name;
    std::optional<PluginCheckState> check;
    std::vector<HistoryEntry> uses;
    Text cell;
  } cases[] = {
      {"nothing known", std::nullopt, {}, ""},
      {"a few failed uses are no verdict", std::nullopt, Uses("xxxxx", kAfter), ""},
      {"twenty failed uses", std::nullopt, Uses(twenty, kAfter), "失败（" + afterDay + "）"},
      {"nineteen failed after a link", std::nullopt, Uses(std::string(19, 'x') + "o", kAfter), ""},
      {"a good check", well, {}, "正常（" + checkDay + "）"},
      {"a failed check", failed, Uses("o", kBefore), "失败（" + checkDay + "）"},
      {"twenty failures after a good check", well, Uses(twenty, kAfter), "失败（" + afterDay + "）"},
      {"a good check after twenty failures", well, Uses(twenty, kBefore), "正常（" + checkDay + "）"},
      {"a link after a failed check", failed, Uses("o", kAfter), "正常（" + afterDay + "）"},
  };
  for (const auto& c : cases) {
    const PluginHealth health = JudgeHealth(c.check, c.uses);
    EXPECT_EQ(health.cell, c.cell) << c.name;
    EXPECT_EQ(health.dead(), c.cell.starts_with("失败")) << c.name;
    EXPECT_EQ(health.tip.empty(), c.cell.empty()) << c.name;
  }
  EXPECT_NE(JudgeHealth(failed).tip.find("原因：无法连接服务器"), Text::npos);
  EXPECT_NE(JudgeHealth(well).tip.find("用时 120 毫秒\n短网址：http://s/x"), Text::npos);
}

// The state goes into Deploy/<Name>.ini beside what the user keeps there; a history file is
// read, never made.
TEST(PluginHealth, KeptInTheConfigurationFileAndReadBack) {
  test::TempDir dir;
  const Text deploy = dir.file("Deploy") + "/";
  EXPECT_FALSE(ReadPluginCheckState(deploy, "短链").has_value());
  dir.write("Deploy/短链.ini", Utf8ToGbk("[配置]\r\nKey=abc\r\n"));
  const PluginCheckState state{false, 1'800'000'000, 42, "服务返回：a\r\nb", ""};
  ASSERT_EQ(WritePluginCheckState(deploy, "短链", state), "");
  const auto back = ReadPluginCheckState(deploy, "短链");
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->ok, false);
  EXPECT_EQ(back->unixTime, state.unixTime);
  EXPECT_EQ(back->millis, 42);
  EXPECT_EQ(back->reason, "服务返回：a  b");  // one line in the file
  const std::string ini = GbkToUtf8Text(dir.read("Deploy/短链.ini"));
  EXPECT_EQ(ini.substr(0, 19), "[配置]\r\nKey=abc\r\n") << ini;
  EXPECT_NE(ini.find("[状态]\r\n结果=失败\r\n"), std::string::npos) << ini;

  // A folder that did not exist is made.
  ASSERT_EQ(WritePluginCheckState(dir.file("new/Deploy"), "B", {true, 1'800'000'000, 1, "", "http://s"}), "");
  EXPECT_TRUE(ReadPluginCheckState(dir.file("new/Deploy"), "B")->ok);
  EXPECT_NE(WritePluginCheckState(deploy, "../x", state), "");

  const Text history = dir.file("history.sqlite");
  std::vector<HistoryEntry> failures = Uses(std::string(25, 'x'), 1'900'000'000);
  std::vector<PluginHealth> health = ReadPluginHealth({"A", "短链", "B"}, deploy, history);
  struct stat st {};
  EXPECT_NE(stat(history.c_str(), &st), 0) << "no history file made";
  ASSERT_TRUE(HistoryStore(history).append(failures));
  health = ReadPluginHealth({"A", "短链", "", "B"}, deploy, history);
  ASSERT_EQ(health.size(), 4u);
  EXPECT_TRUE(health[0].dead());
  EXPECT_EQ(health[1].cell, "失败（" + FormatHistoryTime(state.unixTime).substr(0, 10) + "）");
  EXPECT_EQ(health[2].cell, "");
  EXPECT_EQ(health[3].cell, "");
}

}  // namespace
}  // namespace pindle
