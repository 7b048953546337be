#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/json_document.h"

namespace pindle {
namespace {

TEST(JsonValueAtPathTest, Table) {
  struct Case {
    Text text;
    Text path;
    Text value;
  };
  const std::vector<Case> cases = {
      {R"({"url":"u"})", "url", "u"},
      {R"({"url":7})", "url", "7"},
      {R"({"url":1.25})", "url", "1.25"},
      {R"({"url":true})", "url", "true"},
      {R"({"url":false})", "url", "false"},
      {R"({"url":{"b":[1,"x"]}})", "url", R"({"b":[1,"x"]})"},
      {R"({"url":[1, 2]})", "url", "[1,2]"},
      {R"({"url":null})", "url", "null"},
      {R"({"url":"u"})", "missing", ""},
      {R"({"url":"u"})", "no.such.member", ""},
      {"oops", "url", "JSON解析失败"},
      {"", "url", "JSON解析失败"},
      {"null", "url", "JSON解析失败"},
      {"<html>502</html>", "url", "JSON解析失败"},
      // Line breaks are taken out before parsing, also inside strings.
      {"{\"url\":\r\n\"u\"}", "url", "u"},
      {"{\"url\":\"a\r\nb\"}", "url", "ab"},
      {R"({"url":"a\nb\u00e9"})", "url", "a\nb\xC3\xA9"},
      {R"({"data":{"items":[{},{},{"url":"https://s.example/x"}]}})", "data.items[2].url", "https://s.example/x"},
      {R"({"data":{"short url":"s"}})", "data['short url']", "s"},
      {R"({"list":[1,2,3]})", "list.length", "3"},
      // A path that begins with "[" gives the JSON form: its type is not known.
      {R"(["a","b"])", "[1]", "\"b\""},
      {R"(["a","b"])", "[5]", ""},
      // The whole answer is not addressed by the empty path.
      {R"({"url":"u"})", "", ""},
      {R"("just text")", "", ""},
      {"7", "", "null"},
      {Text(100000, '[') + Text(100000, ']'), "a", "JSON解析失败"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(JsonValueAtPath(c.text, c.path), c.value) << c.text.substr(0, 60) << " @ " << c.path;
}

TEST(JsonValueAtPathTest, LargeObjectsParseWithoutStalling) {
  // Hundreds of thousands of members in one object must not cost the square of their number.
  Text text = "{";
  for (int i = 0; i < 200000; ++i) text += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
  text += "\"k5\":\"last\",\"url\":\"u\"}";
  EXPECT_EQ(JsonValueAtPath(text, "url"), "u");
  EXPECT_EQ(JsonValueAtPath(text, "k5"), "last");
  EXPECT_EQ(JsonValueAtPath(text, "k199999"), "199999");
}

}  // namespace
}  // namespace pindle
