#include <gtest/gtest.h>

#include <filesystem>

#include "platform/codepage.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

// The program in a fresh directory of its own, as for the other subcommands.
class WorkshopCommandTest : public ::testing::Test {
 protected:
  test::TempDir dir;
  test::LoopbackShortener service;
  std::string program;

  void SetUp() override {
    program = dir.file("pindle");
    test::CopyProgram(PINDLE_BINARY, program);
    test::WritePlugin(dir, "json.json",
                      {.name = "JSON短链",
                       .path = service.base() + "/create.php?",
                       .data = "format=json&url=$Url$",
                       .responseType = "1",
                       .parameter = "shorturl"});
    test::WritePlugin(dir, "bad.json",
                      {.name = "Broken",
                       .path = service.base() + "/create.php?",
                       .data = "format=json&url=$Url$",
                       .responseType = "1",
                       .parameter = "short_url"});
    dir.write("Setting.ini", Utf8ToGbk("[插件开关]\r\nBroken=否\r\n"));
  }
  test::ProcessResult run(std::vector<std::string> args, const std::string& input = "") {
    args.insert(args.begin(), program);
    return test::RunProcess(args, {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}}, input);
  }
};

TEST_F(WorkshopCommandTest, TestShowsEveryStepAndExitsByOutcome) {
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::vector<std::string> outHas;
    std::string errHas;
  } cases[] = {
      {{"test", "-p", "json短链", "https://a.example/中"},
       0,
       {"GET /create.php?format=json&url=%68%74%74%70%73", "%D6%D0 HTTP/1.1\n", "Accept-Language: zh-cn\n",
        "HTTP/1.1 200 OK\n", "{\"shorturl\":\"", "路径第 1 步 “shorturl” → 字符串", "【结果】\n" + service.base()},
       ""},
      {{"test", "-p", "JSON短链"}, 0, {"长网址：https://example.com/", "url=%68%74%74%70%73%3A%2F%2F%65%78"}, ""},
      // A switched-off plug-in can be tried too; this one reads the wrong member.
      {{"test", "-p", "Broken"}, 1, {"没有得到短网址：路径第 1 步 “short_url” 找不到：上一层的对象没有这个成员"}, ""},
      {{"test", "-p", "nope"}, 2, {}, "本地插件："},
      {{"test"}, 2, {}, "用法: pindle test"},
      {{"test", "-p", "Broken", "a", "b"}, 2, {}, "用法: pindle test"},
  };
  for (const auto& c : cases) {
    const auto r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    for (const auto& s : c.outHas) EXPECT_NE(r.out.find(s), std::string::npos) << "wanted " << s << " in\n" << r.out;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
  }
}

TEST_F(WorkshopCommandTest, ImportWritesFaithfulUploadersAndNamesTheRest) {
  dir.write("ok.sxcu", R"({"Name":"Imported","RequestMethod":"GET","RequestURL":")" + service.base() +
                           R"(/create.php","Parameters":{"format":"json","url":"{input}"},"URL":"{json:shorturl}"})");
  dir.write("keyed.sxcu", R"({"Name":"Keyed","RequestMethod":"POST","RequestURL":"https://k.example/","Body":"JSON",
      "Data":"{\"u\":\"{input}\"}","Headers":{"X-API-Key":"k3y-from-file"},"URL":"{json:link}"})");
  dir.write("up.sxcu", R"({"RequestMethod":"POST","RequestURL":"https://up.example/u","Body":"MultipartFormData",
      "FileFormName":"f","URL":"{json:url}"})");
  struct Case {
    std::vector<std::string> args;
    int exitCode;
    std::string outHas, errHas, alsoHas;  // alsoHas: anywhere in the output
  } cases[] = {
      {{"import", dir.file("ok.sxcu"), dir.file("up.sxcu")},
       1,
       "ok.sxcu → " + dir.file("Plug/Imported.json"),
       "up.sxcu：上传文件或图片的上传器，不能用来缩短网址"},
      {{"import", "--force", dir.file("up.sxcu")}, 1, "", "up.sxcu：上传文件或图片的上传器，不能用来缩短网址"},
      {{"import", dir.file("ok.sxcu")}, 1, "", "已经存在，没有覆盖（加 --force 仍然写入）"},
      {{"import", dir.file("keyed.sxcu")}, 0, "keyed.sxcu → ", "", "加 --plain 存入"},
      {{"import", dir.file("keyed.sxcu"), "--force", "--plain"}, 0, "已明文保存到", ""},
      {{"config", "Keyed"}, 0, "X-API-Key\tX-API-Key（来自 ShareX 文件）\t••••", ""},
      {{"plugins"}, 0, "Imported\t是", ""},
      {{"shorten", "-p", "Imported", "https://a.example/"}, 0, service.base() + "/s/", ""},
      {{"import"}, 2, "", "用法: pindle import"},
      {{"import", "--bogus", "x"}, 2, "", "未知选项"},
  };
  for (const auto& c : cases) {
    const auto r = run(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    EXPECT_NE(r.out.find(c.outHas), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
    EXPECT_NE((r.out + r.err).find(c.alsoHas), std::string::npos) << r.out << r.err;
    EXPECT_EQ((r.out + r.err).find("k3y-from-file"), std::string::npos);
  }
  EXPECT_EQ(dir.read("Plug/Keyed.json").find("k3y-from-file"), std::string::npos);
}

}  // namespace
}  // namespace pindle

#endif
