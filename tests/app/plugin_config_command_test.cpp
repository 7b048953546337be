#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tests/support/httplib_server.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/request_log.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

// A keyed plug-in beside a key-free one, both against a service that answers with the alias and
// the key it was sent, so a test sees what went out (and that the key never comes back out).
class PluginConfigCommandTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::RequestLog<> seen;  // the targets asked for
  test::HttplibLoopbackServer service{[this](httplib::Server& s) {
    s.Get("/keyed", [this](const httplib::Request& req, httplib::Response& res) {
      seen.add(req.target);
      res.set_content("https://s/" + req.get_param_value("a") + "?k=" + req.get_param_value("k"), "text/plain");
    });
    s.Get("/free", [this](const httplib::Request& req, httplib::Response& res) {
      seen.add(req.target);
      res.set_content("https://f/1", "text/plain");
    });
  }};
  std::string program;

  void SetUp() override {
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
    test::WritePlugin(dir, "a-keyed.json",
                      {.name = "带钥匙",
                       .path = service.url("/keyed?"),
                       .data = "k=$Field:Key$&team=$Field:Team$&a=$Alias$&url=$Url$",
                       .encoding = "UTF-8",
                       .fields = R"([{"Name": "Key", "Label": "API 密钥", "Secret": true},
                                     {"Name": "Team", "Label": "团队", "Default": "t1"}])"});
    test::WritePlugin(dir, "b-free.json", {.name = "无钥匙", .path = service.url("/free?")});
    dir.write("Setting.ini", "");
  }

  // No session bus: no secret store, so secrets need --plain.
  test::ProcessResult run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), program);
    return test::RunProcess(args, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}}, input);
  }
};

TEST_F(PluginConfigCommandTest, FieldsSetListedUsedAndNeverShown) {
  struct Case {
    std::vector<std::string> args;
    std::string input;
    int exitCode;
    std::string out, errHas;  // out exactly, unless it is "*"
  } cases[] = {
      {{"shorten", "-p", "带钥匙", "http://a/"}, "", 1, "\n", "缺少配置：API 密钥（pindle config 带钥匙 Key=…）"},
      // Without -p the plug-in that still lacks its key is passed over.
      {{"shorten", "http://a/"}, "", 0, "https://f/1\n", ""},
      {{"config", "带钥匙"}, "", 0, "字段\t名称\t值\t保存位置\nKey\tAPI 密钥\t\t未设置\nTeam\t团队\tt1\t默认值\n", ""},
      {{"config", "带钥匙", "Key=s3cr3t"}, "", 1, "", "请加 --plain 再执行一次"},
      {{"config", "带钥匙", "Nope=1", "Key=s3cr3t", "--plain"}, "", 2, "", "插件没有字段“Nope”。字段：Key、Team"},
      {{"config", "无钥匙"}, "", 0, "", "没有需要配置的字段"},
      {{"config", "带钥匙", "Key=s3cr3t", "Team=队 2", "--plain"}, "", 0, "*", ""},
      {{"config", "带钥匙"}, "", 0, "*••••*", ""},
      {{"shorten", "-p", "带钥匙", "--alias", "my", "http://a/"}, "", 0, "https://s/my?k=••••\n", ""},
      {{"shorten", "-p", "带钥匙", "--tsv"},
       "http://a/1\tx1\nhttp://a/2\n",
       0,
       "http://a/1\thttps://s/x1?k=••••\t带钥匙\nhttp://a/2\thttps://s/?k=••••\t带钥匙\n",
       ""},
      {{"shorten", "-p", "带钥匙", "--alias", "a", "http://a/1", "http://a/2"}, "", 2, "", "--alias 只能用于一个网址"},
      {{"shorten", "-p", "无钥匙", "--alias", "my", "http://a/"}, "", 2, "", "不支持自定义别名"},
      // In a batch the line that asks fails where it stands; the others go out.
      {{"shorten", "-p", "无钥匙"},
       "http://a/1\nhttp://a/2\tmy\n",
       2,
       "*",
       "不支持自定义别名（插件文件里没有 $Alias$）：第 2 行"},
      {{"history", "--csv"}, "", 0, "*••••*", ""},
      {{"config", "带钥匙", "--unset", "Key"}, "", 0, "*API 密钥 已删除*", ""},
      {{"shorten", "-p", "带钥匙", "http://a/"}, "", 1, "\n", "缺少配置：API 密钥"},
  };
  for (const auto& c : cases) {
    const auto r = run(c.args, c.input);
    const std::string what = c.args[0] + " " + c.args[1];
    EXPECT_EQ(r.exitCode, c.exitCode) << what << "\n" << r.err;
    if (c.out.front() == '*' && c.out.size() > 2) {
      EXPECT_NE(r.out.find(c.out.substr(1, c.out.size() - 2)), std::string::npos) << what << "\n" << r.out;
    } else if (c.out != "*") {
      EXPECT_EQ(r.out, c.out) << what;
    }
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << what << "\n" << r.err;
    EXPECT_EQ((r.out + r.err).find("s3cr3t"), std::string::npos) << what;
  }
  // What went out: the key, the stored team, the alias and the UTF-8 address, each encoded.
  const std::vector<std::string> targets = seen.entries();
  ASSERT_GE(targets.size(), 2u);
  EXPECT_NE(targets[1].find("k=s3cr3t&team=%E9%98%9F%202&a=my&url=%68"), std::string::npos) << targets[1];
  // The plain secret's file is its owner's alone; the history holds no secret either.
  struct stat st {};
  ASSERT_EQ(::stat(dir.file("Deploy/带钥匙.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);
  const auto history = run({"history", "--limit", "0"});
  EXPECT_EQ(history.out.find("s3cr3t"), std::string::npos);
  EXPECT_NE(history.out.find("缺少配置"), std::string::npos);
}

}  // namespace
}  // namespace pindle

#endif
