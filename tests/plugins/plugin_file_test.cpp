#include "plugins/plugin_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugins/plugin_definition.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

TEST(PluginFileTest, ReadsTextUpToZeroOrCtrlZAndDecodes) {
  struct Case {
    const char* what;
    Bytes bytes;
    Text text;
  };
  const std::vector<Case> cases = {
      {"ASCII", "{\"Name\":\"a\"}", "{\"Name\":\"a\"}"},
      {"GBK", "{\"Name\":\"\xD6\xD0\xCE\xC4\"}", "{\"Name\":\"中文\"}"},
      {"UTF-8 without mark", "{\"Name\":\"\xE4\xB8\xAD\xE6\x96\x87\xE7\x9F\xAD\xE9\x93\xBE\"}",
       "{\"Name\":\"中文短链\"}"},
      {"UTF-8 with mark", "\xEF\xBB\xBF{\"Name\":\"\xE4\xB8\xAD\"}", "{\"Name\":\"中\"}"},
      {"zero byte", Bytes("{\"Name\":\"a\"}\0tail", 17), "{\"Name\":\"a\"}"},
      {"Ctrl-Z", "{\"Name\":\"a\"}\x1A{\"x\":1}", "{\"Name\":\"a\"}"},
      {"zero inside", Bytes("{\"Na\0me\":\"a\"}", 14), "{\"Na"},
      {"first of both",
       Bytes("ab\x1A"
             "c\0d",
             6),
       "ab"},
      {"GBK cut behind a character", "\xD6\xD0\x1A\xCE\xC4", "中"},
      {"broken GBK", "{\"Name\":\"\xD6\"}", "{\"Name\":\"?\"}"},
      {"empty", "", ""},
  };
  test::TempDir dir;
  for (const auto& c : cases) {
    dir.write("p.json", c.bytes);
    EXPECT_EQ(ReadPluginFileText(dir.file("p.json")), c.text) << c.what;
  }
  EXPECT_EQ(ReadPluginFileText(dir.file("missing.json")), "");
  EXPECT_EQ(ReadPluginFileText(dir.path()), "");  // a directory
  dir.write("big.json", "{\"Name\":\"big\"}" + Bytes(kPluginFileSizeLimit, ' '));
  EXPECT_EQ(ReadPluginFileText(dir.file("big.json")), "");
}

TEST(PluginFileTest, KeysReadAsPlainText) {
  const PluginDefinition plugin = PluginDefinition::FromText(R"({
    "Name": "示例短链", "Deploy": true, "Version": 2.5, "Author": "someone", "Updated": null,
    "UpdateURL": "http://127.0.0.1/p.json",
    "API": {"Type": "GET", "API Path": "http://127.0.0.1/s?$Url$", "Data": "url=$Url$",
            "Headers": "Accept: application/json\r\nX-A: 1"},
    "Response": {"Type": 1, "Parameter": "data['short url']", "Prefix": "#引号short#引号:#引号$Url$#引号"}
  })");
  ASSERT_TRUE(plugin.parsed());
  struct Case {
    Text key;
    Text value;
  };
  const std::vector<Case> cases = {
      {plugin.name(), "示例短链"},
      {plugin.deploy(), "True"},  // a JSON boolean is neither "true" nor "false" in plain text
      {plugin.version(), "2.5"},
      {plugin.author(), "someone"},
      {plugin.updated(), ""},
      {plugin.updateUrl(), "http://127.0.0.1/p.json"},
      {plugin.apiType(), "GET"},
      {plugin.apiPath(), "http://127.0.0.1/s?$Url$"},
      {plugin.apiData(), "url=$Url$"},
      {plugin.apiHeaders(), "Accept: application/json\r\nX-A: 1"},
      {plugin.responseType(), "1"},
      {plugin.responseParameter(), "data['short url']"},
      {plugin.responsePrefix(), "#引号short#引号:#引号$Url$#引号"},
      {plugin.read("Missing"), ""},
      {plugin.read("API.Missing"), ""},
  };
  for (size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(cases[i].key, cases[i].value) << "case " << i;

  EXPECT_EQ(PluginDefinition::FromText(R"({"Response":{"Type":"1"}})").responseType(), "1");
  EXPECT_EQ(PluginDefinition::FromText(R"({"Response":{"Type":"01"}})").responseType(), "01");
  EXPECT_EQ(PluginDefinition::FromText(R"({"Response":{"Type":1.0}})").responseType(), "1");
  EXPECT_EQ(PluginDefinition::FromText(R"({"Version":1234567.891234567})").version(), "1234567.891235");

  const PluginDefinition broken = PluginDefinition::FromText("{\"Name\":\"a\",");
  EXPECT_FALSE(broken.parsed());
  EXPECT_EQ(broken.name(), "");
  EXPECT_EQ(broken.apiType(), "");
}

TEST(PluginFileTest, DefinitionFromFilesOfEitherEncoding) {
  test::TempDir dir;
  dir.write("gbk.json", "{\"Name\":\"\xB6\xCC\xC1\xB4\",\"Author\":\"\xD5\xC5\xC8\xFD\"}");
  dir.write("utf8.json", "{\"Name\":\"\xE7\x9F\xAD\xE9\x93\xBE\",\"Author\":\"\xE5\xBC\xA0\xE4\xB8\x89\"}");
  dir.write("cut.json", Bytes("{\"Name\":\"a\"}\0garbage", 21));
  dir.write("cutinside.json", Bytes("{\"Name\":\0\"a\"}", 13));
  for (const char* file : {"gbk.json", "utf8.json"}) {
    const PluginDefinition plugin = PluginDefinition::FromFile(dir.file(file));
    EXPECT_EQ(plugin.name(), "短链") << file;
    EXPECT_EQ(plugin.author(), "张三") << file;
  }
  EXPECT_EQ(PluginDefinition::FromFile(dir.file("cut.json")).name(), "a");
  EXPECT_FALSE(PluginDefinition::FromFile(dir.file("cutinside.json")).parsed());
}

}  // namespace
}  // namespace pindle
