#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "config/app_paths.h"
#include "json/json_document.h"
#include "platform/files.h"
#include "plugins/plugin_catalog.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_rows.h"
#include "tests/support/temp_dir.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

const Text kPlugDir = Text(PINDLE_SOURCE_DIR) + "/Plug/";

// The short link a plug-in's response rule takes from an answer, by the rule of each type.
Text TakeShortUrl(const PluginDefinition& plugin, const Text& answer) {
  const Text type = plugin.responseType();
  const Text prefix = plugin.responsePrefix();
  const Text left = TextBefore(prefix, "$Url$");
  const Text right = Right(prefix, static_cast<int>(prefix.size() - left.size() - 5));
  if (type == "0") return answer;
  if (type == "1") return JsonValueAtPath(answer, plugin.responseParameter());
  if (type == "2") return prefix + JsonValueAtPath(answer, plugin.responseParameter());
  if (type == "3") return TextBetween(answer, left, right);
  if (type == "4") return JsonValueAtPath(TextBetween(answer, left, right), plugin.responseParameter());
  return "数据错误！";
}

TEST(StarterCollectionTest, EveryPluginReadsAndFitsItsServicesAnswer) {
  // Answers in the form each service documents for its API.
  const std::map<Text, Text> answers = {
      {"isgd-text.json", "https://is.gd/AbCdEf"},
      {"isgd-json.json", R"({ "shorturl": "https:\/\/is.gd\/AbCdEf" })"},
      {"isgd-xml.json",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<output><shorturl>https://is.gd/AbCdEf</shorturl></output>"},
      {"isgd-jsonp.json", R"(pindle({ "shorturl": "https:\/\/is.gd\/AbCdEf" });)"},
      {"vgd-text.json", "https://v.gd/AbCdEf"},
      {"vgd-json.json", R"({ "shorturl": "https:\/\/v.gd\/AbCdEf" })"},
      {"tinyurl.json", "https://tinyurl.com/AbCdEf"},
      {"dagd.json", "https://da.gd/AbCdEf"},
      {"clckru.json", "https://clck.ru/AbCdEf"},
      {"bitly.json", R"({"link":"https://bit.ly/AbCdEf","id":"bit.ly/AbCdEf"})"},
      {"tinyurl-api.json", R"({"data":{"tiny_url":"https://tinyurl.com/AbCdEf"},"code":0,"errors":[]})"},
      {"shortio.json", R"({"shortURL":"https://s.short.gy/AbCdEf","idString":"lnk_1"})"},
      {"rebrandly.json", R"({"shortUrl":"rebrand.ly/AbCdEf"})"},
      {"cuttly.json", R"({"url":{"status":7,"shortLink":"https:\/\/cutt.ly\/AbCdEf"}})"},
      {"kutt.json", R"({"link":"https://kutt.it/AbCdEf"})"},
      {"yourls.json", R"({"status":"success","shorturl":"https://sho.rt/AbCdEf"})"},
      {"shlink.json", R"({"shortUrl":"https://s.test/AbCdEf"})"},
  };
  const auto files = ListFileNames(kPlugDir, ".json");
  ASSERT_EQ(files.size(), answers.size());
  std::set<Text> names;
  const std::regex date(R"(\d{4}-\d{2}-\d{2})");
  for (const Text& file : files) {
    SCOPED_TRACE(file);
    const PluginDefinition plugin = PluginDefinition::FromFile(kPlugDir + file);
    ASSERT_TRUE(plugin.parsed());
    EXPECT_FALSE(plugin.name().empty());
    EXPECT_TRUE(names.insert(plugin.name()).second) << "two plug-ins named " << plugin.name();
    EXPECT_EQ(plugin.deploy(), "false");
    EXPECT_FALSE(plugin.version().empty());
    EXPECT_EQ(plugin.author(), "Pindle");
    EXPECT_TRUE(std::regex_match(plugin.updated(), date));
    EXPECT_EQ(plugin.encoding(), PluginEncoding::Utf8);
    // A keyed plug-in asks for its key as a secret field; a key-free one sends a GET.
    const std::vector<PluginField> fields = plugin.fields();
    if (fields.empty()) {
      EXPECT_EQ(plugin.apiType(), "GET");
      EXPECT_EQ(plugin.apiPath().rfind("https://", 0), 0u);
      EXPECT_EQ(plugin.apiPath().back(), '?');  // the data follows the address directly
    } else {
      EXPECT_TRUE(std::any_of(fields.begin(), fields.end(), [](const PluginField& f) { return f.secret; }));
      EXPECT_TRUE(plugin.apiPath().rfind("https://", 0) == 0 || plugin.apiPath().rfind("$Field:Server$/", 0) == 0);
    }
    EXPECT_TRUE(Contains(plugin.apiData(), "$Url$", true) || Contains(plugin.apiData(), "$RawUrl$", true));
    const Text type = plugin.responseType();
    ASSERT_TRUE(type.size() == 1 && type[0] >= '0' && type[0] <= '4');
    if (type == "1" || type == "2" || type == "4") {
      EXPECT_FALSE(plugin.responseParameter().empty());
    }
    if (type == "3" || type == "4") {
      EXPECT_NE(plugin.responsePrefix().find("$Url$"), Text::npos);
    }
    const auto answer = answers.find(file);
    ASSERT_NE(answer, answers.end());
    const Text link = plugin.read(kPluginResponseResultPrefixKey) + TakeShortUrl(plugin, answer->second);
    EXPECT_EQ(link.rfind("https://", 0), 0u) << link;
    EXPECT_NE(link.find("/AbCdEf"), Text::npos);
  }
  // The collection covers the plain, JSON and marker rules.
  std::set<Text> types;
  for (const Text& file : files) types.insert(PluginDefinition::FromFile(kPlugDir + file).responseType());
  EXPECT_EQ(types, (std::set<Text>{"0", "1", "3", "4"}));
}

TEST(StarterCollectionTest, LoadsIntoTheListAllEnabled) {
  test::TempDir dir;
  SetPaths(AppPaths{dir.file("Setting.ini"), dir.file("Deploy/"), kPlugDir});
  const PluginCatalog catalog = LoadListedPlugins(Paths());
  SetPaths(AppPaths{});
  const auto rows = PluginListRows(catalog);
  ASSERT_EQ(rows.size(), 17u);
  for (const auto& row : rows) {
    EXPECT_FALSE(row[kPluginNameColumn].empty());
    EXPECT_EQ(row[kPluginSwitchColumn], "是");
    EXPECT_EQ(row[kPluginDeployColumn], "无");
    EXPECT_EQ(row[kPluginAuthorColumn], "Pindle");
  }
  EXPECT_EQ(catalog.enabled().size(), 17u);
}

}  // namespace
}  // namespace pindle
