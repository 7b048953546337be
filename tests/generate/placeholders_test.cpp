#include "generate/placeholders.h"

#include <gtest/gtest.h>

#include <vector>

namespace pindle {
namespace {

TEST(Placeholders, EachValueWrittenAsItsPlaceNeedsIt) {
  struct Case {
    const char* text;
    PlaceholderPlace place;
    bool wireUtf8;
    const char* want;
  };
  PlaceholderValues v;
  v.longUrl = "http://h/a b?x=1&y=2+3%4#f";
  v.alias = "我的 别名";
  v.fields = {{"Key", "k&=\"/中"}, {"Url", "$Url$"}, {"Server", "https://s.test:8080/"}};
  const std::vector<Case> cases = {
      // The raw URL is never cut by a form's syntax; in JSON it is escaped instead.
      {"u=$RawUrl$", PlaceholderPlace::FormData, true, "u=http://h/a%20b?x%3D1%26y%3D2%2B3%254%23f"},
      {R"({"u":"$rawurl$"})", PlaceholderPlace::JsonData, true, R"({"u":"http://h/a b?x=1&y=2+3%4#f"})"},
      {"k=$Field:Key$", PlaceholderPlace::FormData, true, "k=k%26%3D%22%2F%E4%B8%AD"},
      {"k=$Field:Key$", PlaceholderPlace::FormData, false, "k=k%26%3D%22%2F%D6%D0"},
      {R"({"k":"$Field:Key$"})", PlaceholderPlace::JsonData, true, R"({"k":"k&=\"/\u4e2d"})"},
      {"/v1/$Field:Key$/x", PlaceholderPlace::Address, true, "/v1/k%26%3D%22%2F%E4%B8%AD/x"},
      {"$Field:Server$/api?s=$Field:Server$", PlaceholderPlace::Address, true,
       "https://s.test:8080/api?s=https%3A%2F%2Fs.test%3A8080%2F"},
      {"X-Api-Key: $Field:Key$", PlaceholderPlace::Header, true, "X-Api-Key: k&=\"/中"},
      {"a=$Alias$", PlaceholderPlace::FormData, true, "a=%E6%88%91%E7%9A%84%20%E5%88%AB%E5%90%8D"},
      {"X-A: $alias$", PlaceholderPlace::Header, true, "X-A: 我的 别名"},
      // $Url$ belongs to API.Data only; unknown fields and a wrongly cased prefix stay as written.
      {"/s/$Url$", PlaceholderPlace::Address, true, "/s/$Url$"},
      {"$Field:Nope$ $field:Key$", PlaceholderPlace::FormData, true, "$Field:Nope$ $field:Key$"},
      // What is put in is not scanned again.
      {"u=$Field:Url$", PlaceholderPlace::FormData, true, "u=%24Url%24"},
      {"u=$Url$", PlaceholderPlace::FormData, true,
       "u=%68%74%74%70%3A%2F%2F%68%2F%61%20%62%3F%78%3D%31%26%79%3D%32%2B%33%25%34%23%66"},
  };
  for (const auto& c : cases) {
    v.wireUtf8 = c.wireUtf8;
    EXPECT_EQ(FillPlaceholders(c.text, c.place, v), c.want) << c.text;
  }
}

TEST(Placeholders, OnlyFieldsTheRequestUsesAreRequired) {
  const PluginDefinition plugin = PluginDefinition::FromText(R"({
    "Name": "P", "API": {"API Path": "http://h/$Field:Server$", "Data": "k=$Field:Key$", "Headers": ""},
    "Fields": [{"Name": "Key", "Secret": true}, {"Name": "Server", "Default": "x"}, {"Name": "Unused"}, 7, {}]})");
  const std::vector<PluginField> used = plugin.usedFields();
  ASSERT_EQ(used.size(), 2u);
  EXPECT_EQ(used[0].name, "Key");
  EXPECT_TRUE(used[0].secret);
  EXPECT_EQ(used[1].defaultValue, "x");
  EXPECT_EQ(FirstMissingField(used, {{"Server", "x"}})->name, "Key");
  EXPECT_EQ(FirstMissingField(used, {{"Server", "x"}, {"Key", ""}})->name, "Key");
  EXPECT_EQ(FirstMissingField(used, {{"Server", "x"}, {"Key", "v"}}), nullptr);
  EXPECT_EQ(plugin.fields().size(), 3u);
  EXPECT_FALSE(plugin.usesAlias());
}

}  // namespace
}  // namespace pindle
