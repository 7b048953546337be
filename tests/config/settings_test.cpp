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

}  // namespace
}  // namespace pindle
