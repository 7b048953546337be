#include "config/settings.h"

#include <gtest/gtest.h>

#include "config/app_paths.h"
#include "platform/codepage.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

TEST(Settings, ReadWriteIsOnOverAGbkFile) {
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  EXPECT_EQ(Paths().plugDir, dir.path() + "/Plug/");
  EXPECT_EQ(Paths().deployDir, dir.path() + "/Deploy/");
  EXPECT_EQ(Settings::read("插件开关", "示例", Text("是")), "是");  // missing file: the default
  EXPECT_FALSE(Settings::isOn("自动加载"));

  dir.write("Setting.ini", Utf8ToGbk("[软件设定]\r\n自动加载=真\r\n软件置顶= 真\r\n双击切换=true\r\n双击复制=\r\n"));
  struct Case {
    const char* key;
    bool on;
  } cases[] = {{"自动加载", true}, {"软件置顶", true}, {"双击切换", false}, {"双击复制", false}, {"自动更新", false}};
  for (const auto& c : cases) EXPECT_EQ(Settings::isOn(c.key), c.on) << c.key;

  // A value with a leading full-width blank is not "真".
  dir.write("Setting.ini", Utf8ToGbk("[软件设定]\r\n自动加载=\xE3\x80\x80真\r\n"));
  EXPECT_FALSE(Settings::isOn("自动加载"));

  EXPECT_TRUE(Settings::write("插件开关", "示例短链", "否"));
  EXPECT_EQ(Settings::read("插件开关", "示例短链", Text("是")), "否");
  EXPECT_EQ(Settings::read("", "x"), "");
  EXPECT_EQ(Settings::read("插件开关", ""), "");
  EXPECT_EQ(dir.read("Setting.ini"),
            Utf8ToGbk("[软件设定]\r\n自动加载=\xE3\x80\x80真\r\n[插件开关]\r\n示例短链=否\r\n"));
  SetPaths({});
}

// One read of a section finds every key as a read of that key would, in either file encoding.
TEST(Settings, ASectionReadOnceAnswersAsEachRead) {
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  const Text ini =
      "[软件设定]\r\nA=x\r\n[插件开关]\r\nIs.GD=否\r\n 中文 = \"是\" \r\n;注释=否\r\nis.gd=是\r\n"
      "无等号\r\n[插件开关]\r\n后来=否\r\n";
  for (const bool unicode : {false, true}) {
    dir.write("Setting.ini", unicode ? "\xFF\xFE" + Utf8ToUtf16Le(ini) : Utf8ToGbk(ini));
    const Settings::Section section = Settings::readSection("插件开关");
    for (const Text key : {"Is.GD", "is.gd", "中文", " 中文\t", ";注释", "无等号", "后来", "A"}) {
      const std::optional<Text> found = section.find(key);
      EXPECT_EQ(found.value_or("(absent)"), Settings::read("插件开关", key, Text("(absent)"))) << key << unicode;
    }
  }
  SetPaths({});
}

TEST(Settings, NamesTheInitFileCannotHoldAsKeys) {
  const struct {
    const char* name;
    const char* problem;
  } cases[] = {
      {"Is.gd", ""},
      {"短链 1", ""},
      {"a=b", "插件名含有“=”，开关无法保存"},
      {";c", "插件名以“;”开头，开关无法保存"},
      {"[d", "插件名以“[”开头，开关无法保存"},
      {" ;d", "插件名以“;”开头，开关无法保存"},
      {"e\nf", "插件名含有换行，开关无法保存"},
      {" g ", ""},  // the file trims the key; the switch is kept under "g", as it always was
      {"x;[", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(SwitchKeyProblem(c.name), c.problem) << c.name;
}

}  // namespace
}  // namespace pindle
