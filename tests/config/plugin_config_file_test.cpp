#include "config/plugin_config_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "platform/codepage.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

int modeOf(const Text& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
}

TEST(PluginConfigFile, WritesCodePage936KeepingTheOwnersLines) {
  test::TempDir dir;
  const Text deploy = dir.file("Deploy");
  PluginConfigFile file(deploy + "/", "短链");
  EXPECT_EQ(file.path(), deploy + "/短链.ini");
  EXPECT_FALSE(file.read("Key"));
  ASSERT_EQ(file.write("Key", "值 1"), "");  // folder and file made when needed
  ASSERT_EQ(file.write("Domain", " 有空格 "), "");
  EXPECT_EQ(dir.read("Deploy/短链.ini"), Utf8ToGbk("[配置]\r\nKey=值 1\r\nDomain=\" 有空格 \"\r\n"));
  EXPECT_EQ(file.read("domain"), std::optional<Text>(" 有空格 "));

  // A file the plug-in's author wrote: comments, other sections and the order stay.
  dir.write("Deploy/短链.ini", Utf8ToGbk("; 说明\r\n[其他]\r\nKey=别动\r\n[配置]\r\nKey=旧\r\n"));
  ASSERT_EQ(file.write("Key", "新"), "");
  ASSERT_EQ(file.remove("Missing"), "");
  EXPECT_EQ(dir.read("Deploy/短链.ini"), Utf8ToGbk("; 说明\r\n[其他]\r\nKey=别动\r\n[配置]\r\nKey=新\r\n"));
  ASSERT_EQ(file.remove("Key"), "");
  EXPECT_EQ(dir.read("Deploy/短链.ini"), Utf8ToGbk("; 说明\r\n[其他]\r\nKey=别动\r\n[配置]\r\n"));

  struct Refused {
    Text key, value, problem;
  } refused[] = {
      {"Key", "a\r\nInjected=1", "值里有换行"},
      {"Key", "\xF0\x9F\x98\x80", "值里有 GBK 写不出的字符，配置文件存不下"},
      {"a=b", "v", "名称里有 ="},
  };
  for (const auto& r : refused) EXPECT_EQ(file.write(r.key, r.value), r.problem) << r.value;
  EXPECT_EQ(dir.read("Deploy/短链.ini"), Utf8ToGbk("; 说明\r\n[其他]\r\nKey=别动\r\n[配置]\r\n"));
}

TEST(PluginConfigFile, OwnerOnlyBeforeTheValueGoesIn) {
  test::TempDir dir;
  PluginConfigFile file(dir.path(), "p");
  ASSERT_EQ(file.write("Domain", "x"), "");
  EXPECT_EQ(modeOf(file.path()), 0644);
  EXPECT_FALSE(file.ownerOnly());
  ASSERT_EQ(file.write("Key", "secret", /*ownerOnly=*/true), "");
  EXPECT_EQ(modeOf(file.path()), 0600);
  ASSERT_EQ(file.write("Domain", "y"), "");  // later writes keep the mode
  EXPECT_TRUE(file.ownerOnly());

  PluginConfigFile fresh(dir.path(), "q");
  ASSERT_EQ(fresh.write("Key", "secret", true), "");
  EXPECT_EQ(modeOf(fresh.path()), 0600);
  EXPECT_EQ(fresh.read("Key"), std::optional<Text>("secret"));
}

TEST(PluginConfigFile, ABadNameWritesNothing) {
  test::TempDir dir;
  for (const Text name : {"../escape", "a/b", "", "x\ny"}) {
    PluginConfigFile file(dir.file("Deploy"), name);
    EXPECT_NE(file.problem(), "") << name;
    EXPECT_EQ(file.path(), "");
    EXPECT_EQ(file.write("Key", "v"), file.problem());
    EXPECT_FALSE(file.read("Key"));
  }
  EXPECT_EQ(dir.read("escape.ini"), "");
  struct stat st {};
  EXPECT_NE(::stat(dir.file("Deploy").c_str(), &st), 0);
}

}  // namespace
}  // namespace pindle
