#include "config/plugin_field.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(PluginField, NamesThatCannotNameAFileOrKeyAreRefused) {
  struct Case {
    Text name;
    bool plugin;  // as a plug-in name, else as a field name
    Text problem;
  } cases[] = {
      {"tinyurl.com", true, ""},
      {"短链 接口", true, ""},
      {"Key", false, ""},
      {"API 密钥", false, ""},
      {"", true, "名称是空的"},
      {"a/b", true, "名称里有 / 或 \\"},
      {"a\\b", true, "名称里有 / 或 \\"},
      {"..", true, "名称里有 .."},
      {"a..b", true, "名称里有 .."},
      {"a=b", true, "名称里有 ="},
      {"a=b", false, "名称里有 ="},
      {";x", true, "名称以 ; 或 [ 开头"},
      {"[x", false, "名称以 ; 或 [ 开头"},
      {"a\nb", true, "名称里有换行或控制字符"},
      {"a\r", false, "名称里有换行或控制字符"},
      {Text("a\0b", 3), true, "名称里有换行或控制字符"},
      {" a", true, "名称前后有空格"},
      {"a ", false, "名称前后有空格"},
      {"a\tb", false, "名称里有换行或控制字符"},
      {"\xFF", true, "名称不是有效的 UTF-8 文字"},
      {Text(251, 'x'), true, ""},
      {Text(252, 'x'), true, "名称太长，文件名最多 255 字节"},
      {"a/b", false, ""},  // a field name is no path
      {"a$b", false, "名称里有 $"},
      {"\xF0\x9F\x98\x80", false, "名称里有 GBK 写不出的字符"},
  };
  for (const auto& c : cases) {
    const Text got = c.plugin ? PluginNameProblem(c.name) : FieldNameProblem(c.name);
    EXPECT_EQ(got, c.problem) << "name: " << c.name << (c.plugin ? " (plug-in)" : " (field)");
  }
}

TEST(PluginField, ListsValuesAndTheMissingFieldReason) {
  EXPECT_EQ(FieldListProblem({{"Key", "", false, ""}, {"Token", "", false, ""}}), "");
  EXPECT_EQ(FieldListProblem({{"Key", "", false, ""}, {"KEY", "", false, ""}}),
            "字段“Key”和“KEY”在配置文件里是同一个键");
  EXPECT_EQ(FieldListProblem({{"Key", "", false, ""}, {"a=b", "", false, ""}}), "字段“a=b”：名称里有 =");

  struct Case {
    Text value, problem;
  } values[] = {{"", ""},
                {" 有空格 ", ""},
                {"a\nb", "值里有换行"},
                {"a\rb", "值里有换行"},
                {Text("a\0b", 3), "值里有换行"},
                {"\xC3", "值不是有效的 UTF-8 文字"}};
  for (const auto& c : values) EXPECT_EQ(FieldValueProblem(c.value), c.problem) << c.value;

  EXPECT_EQ(MissingFieldReason("bit.ly", {"Token", "访问令牌", true, ""}),
            "缺少配置：访问令牌（pindle config bit.ly Token=…）");
  EXPECT_EQ(MissingFieldReason("Kutt", {"Key", "", false, ""}), "缺少配置：Key（pindle config Kutt Key=…）");
  // The window names its own way.
  EXPECT_EQ(MissingFieldReason("Kutt", {"Key", "API 密钥", true, ""}, ValueSetting::Window),
            "缺少配置：API 密钥（在插件页右键该插件，选“修改配置”）");
  // A name with a blank is shown as the shell needs it, so the hint can be pasted.
  EXPECT_EQ(MissingFieldReason("TinyURL API", {"Token", "令牌", true, ""}),
            "缺少配置：令牌（pindle config 'TinyURL API' Token=…）");
}

}  // namespace
}  // namespace pindle
