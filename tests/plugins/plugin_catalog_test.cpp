#include "plugins/plugin_catalog.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "config/app_paths.h"
#include "config/settings.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// A plug-in file's typed description: each row a file, what it must read as.
TEST(PluginCatalogTest, InfoReadsTheDescriptionTyped) {
  struct Row {
    Text json;
    ResponseType type;
    BodyType body;
    PluginEncoding encoding;
    size_t fields;
    bool alias;
  };
  const std::vector<Row> rows = {
      {R"({"Response":{"Type":"0"}})", ResponseType::Whole, BodyType::Classic, PluginEncoding::Unset, 0, false},
      {R"({"Response":{"Type":1}})", ResponseType::JsonValue, BodyType::Classic, PluginEncoding::Unset, 0, false},
      {R"({"Response":{"Type":"2"}})", ResponseType::PrefixedJsonValue, BodyType::Classic, PluginEncoding::Unset, 0,
       false},
      {R"({"Response":{"Type":"3"}})", ResponseType::Between, BodyType::Classic, PluginEncoding::Unset, 0, false},
      {R"({"Response":{"Type":4.0}})", ResponseType::JsonValueBetween, BodyType::Classic, PluginEncoding::Unset, 0,
       false},
      {R"x({"Response":{"Type":"5","Pattern":"s/(\\w+)"}})x", ResponseType::Pattern, BodyType::Classic,
       PluginEncoding::Unset, 0, false},
      {R"({"Response":{"Type":"01"}})", ResponseType::Unknown, BodyType::Classic, PluginEncoding::Unset, 0, false},
      {R"({"Response":{"Type":"6"}})", ResponseType::Unknown, BodyType::Classic, PluginEncoding::Unset, 0, false},
      {R"({"Response":{}})", ResponseType::Unknown, BodyType::Classic, PluginEncoding::Unset, 0, false},
      {R"({"API":{"BodyType":"JSON"},"Encoding":"utf8"})", ResponseType::Unknown, BodyType::Json, PluginEncoding::Utf8,
       0, false},
      {R"({"API":{"BodyType":"form"},"Encoding":" GBK "})", ResponseType::Unknown, BodyType::Form, PluginEncoding::Gbk,
       0, false},
      {R"({"API":{"BodyType":"multipart"},"Encoding":"latin1"})", ResponseType::Unknown, BodyType::Multipart,
       PluginEncoding::Unset, 0, false},
      {R"({"API":{"BodyType":"xml","Data":"a=$alias$"}})", ResponseType::Unknown, BodyType::Classic,
       PluginEncoding::Unset, 0, true},
      {R"({"Fields":[{"Name":"key","Secret":true},{"Label":"no name"},7,{"Name":"b"}],"API":{"Headers":"X: $Alias$"}})",
       ResponseType::Unknown, BodyType::Classic, PluginEncoding::Unset, 2, true},
      {R"({"Name":"broken",)", ResponseType::Unknown, BodyType::Classic, PluginEncoding::Unset, 0, false},
  };
  test::TempDir dir;
  for (const Row& row : rows) {
    dir.write("p.json", row.json);
    const PluginInfo info = PluginInfo::Read(dir.file("p.json"), {});
    EXPECT_EQ(info.response.type, row.type) << row.json;
    EXPECT_EQ(info.request.bodyType, row.body) << row.json;
    EXPECT_EQ(info.request.encoding, row.encoding) << row.json;
    EXPECT_EQ(info.fields.size(), row.fields) << row.json;
    EXPECT_EQ(info.usesAlias, row.alias) << row.json;
  }

  dir.write("full.json", R"({"Name":"甲","Deploy":"true","Version":2.5,"Author":"x","Updated":"2020-01-01",
    "UpdateURL":"http://127.0.0.1/p.json",
    "API":{"Type":"POST","API Path":"http://127.0.0.1/s","Data":"u=$Url$","Headers":"A: 1"},
    "Response":{"Type":"2","Parameter":"d.s","Prefix":"http://s/","ResultPrefix":"!"}})");
  const PluginInfo full = PluginInfo::Read(dir.file("full.json"), {});
  const std::vector<std::pair<Text, Text>> texts = {
      {full.name, "甲"},
      {full.switchState, kSwitchOn},
      {full.deploy, "true"},
      {full.version, "2.5"},
      {full.author, "x"},
      {full.updated, "2020-01-01"},
      {full.path, dir.file("full.json")},
      {full.updateUrl, "http://127.0.0.1/p.json"},
      {full.request.method, "POST"},
      {full.request.address, "http://127.0.0.1/s"},
      {full.request.data, "u=$Url$"},
      {full.request.headers, "A: 1"},
      {full.response.parameter, "d.s"},
      {full.response.prefix, "http://s/"},
      {full.response.resultPrefix, "!"},
  };
  for (size_t i = 0; i < texts.size(); ++i) EXPECT_EQ(texts[i].first, texts[i].second) << "text " << i;
  EXPECT_TRUE(full.enabled());
  EXPECT_TRUE(full.declaresConfiguration());
}

// One rule names a plug-in everywhere: the exact spelling, else letter case aside, never the empty name.
TEST(PluginCatalogTest, FindPluginNameTakesTheExactSpellingFirst) {
  const std::vector<Text> names = {"Alpha", "alpha", "Beta", "", "短链"};
  struct Row {
    Text name;
    int want;
  };
  const std::vector<Row> rows = {{"alpha", 1}, {"Alpha", 0}, {"ALPHA", 0},  {"beta", 2},
                                 {"短链", 4},  {"", -1},     {"Gamma", -1}, {"alph", -1}};
  for (const Row& row : rows) EXPECT_EQ(FindPluginName(names, row.name), row.want) << row.name;
}

TEST(PluginCatalogTest, LoadReadsEverySwitchFromOneSection) {
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  ASSERT_TRUE(MakeDirectories(Paths().plugDir));
  dir.write("Plug/a.json", R"({"Name":"On"})");
  dir.write("Plug/b.json", R"({"Name":"Off"})");
  dir.write("Plug/c.json", R"({"Name":"a=b"})");
  dir.write("Plug/d.json", R"({"Version":"1"})");
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "Off", kSwitchOff));
  ASSERT_TRUE(Settings::write(kPluginSwitchSection, "a", kSwitchOff));  // what "a=b" would read as
  const PluginCatalog catalog = PluginCatalog::Load(Paths().plugDir);
  ASSERT_EQ(catalog.size(), 4u);
  std::vector<Text> switches;
  for (const PluginInfo& p : catalog.plugins()) switches.push_back(p.switchState);
  EXPECT_EQ(switches, (std::vector<Text>{kSwitchOn, kSwitchOff, kSwitchOn, ""}));
  ASSERT_EQ(catalog.enabled().size(), 2u);
  EXPECT_EQ(catalog.enabled()[1]->name, "a=b");
  ASSERT_NE(catalog.find("off"), nullptr);
  EXPECT_EQ(catalog.find("off")->path, Paths().plugDir + "b.json");
  EXPECT_EQ(catalog.find(""), nullptr);
  EXPECT_FALSE(SavePluginSwitch("a=b", false).empty());
  EXPECT_EQ(SavePluginSwitch("On", false), "");
  EXPECT_FALSE(PluginCatalog::Load(Paths().plugDir).find("On")->enabled());
  SetPaths(AppPaths{});
}

// Which plug-ins wait for a value their request uses, read from Deploy/<Name>.ini alone.
TEST(PluginCatalogTest, ValueStateFromTheConfigurationFile) {
  test::TempDir dir;
  const Text token = R"([{"Name": "Token", "Secret": true}])";
  const struct {
    const char* name;
    Text fields;
    Text headers;
    Text stored;  // a line of Deploy/P.ini
    bool waits;
  } cases[] = {
      {"no fields", "", "", "", false},
      {"a field no request uses", token, "", "", false},
      {"a secret never given", token, "Authorization: $Field:Token$", "", true},
      {"a secret given (its origin kept)", token, "Authorization: $Field:Token$",
       "[密钥去处]\r\nToken=https://a:443\r\n", false},
      {"a secret in the plain file", token, "Authorization: $Field:Token$", "[配置]\r\nToken=k\r\n", false},
      {"a value set", R"([{"Name": "Team"}])", "X-Team: $Field:Team$", "[配置]\r\nTeam=t\r\n", false},
      {"a value with a default", R"([{"Name": "Team", "Default": "t"}])", "X-Team: $Field:Team$", "", false},
      {"a value not set", R"([{"Name": "Team"}])", "X-Team: $Field:Team$", "[配置]\r\nTeam=\r\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    nlohmann::json plugin = {{"Name", "P"}, {"API", {{"Type", "GET"}, {"API Path", "http://127.0.0.1/?"}}}};
    if (!c.headers.empty()) plugin["API"]["Headers"] = c.headers;
    if (!c.fields.empty()) plugin["Fields"] = nlohmann::json::parse(c.fields);
    dir.write("Plug/p.json", plugin.dump());
    dir.write("Deploy/P.ini", Utf8ToGbk(c.stored));
    PluginCatalog catalog = PluginCatalog::Load(dir.file("Plug/"), Settings::Section());
    catalog.readValueState(dir.file("Deploy/"));
    ASSERT_EQ(catalog.size(), 1u);
    EXPECT_EQ(catalog.plugins()[0].waitsForValues, c.waits);
  }
}

}  // namespace
}  // namespace pindle
