#include "json/json_relaxed.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "json/json_document.h"

namespace pindle {
namespace {

// What a document holds after parsing each text (compact JSON), or "" when it is refused.
TEST(JsonRelaxedTest, ObjectLiteralFormsReadAsTheirJson) {
  struct Case {
    Text text;
    Text json;
  };
  const std::vector<Case> cases = {
      // Comments, anywhere a blank may stand, also with "//" inside strings left alone.
      {"{ // note\n\"u\": \"http://x/y\" /* more */ }", R"({"u":"http://x/y"})"},
      {"/* a */[1, /* b */ 2]// end", "[1,2]"},
      {"{\"a\":1}\r\n// trailing comment without line end", R"({"a":1})"},
      // Single quotes, with the other quote and escapes inside.
      {R"({'a': 'say "hi"', 'b': 'it\'s'})", R"({"a":"say \"hi\"","b":"it's"})"},
      {R"(['\x41\v\0', "\q"])", R"(["A\u000b\u0000","q"])"},
      {"['line\\\r\ncontinued']", R"(["linecontinued"])"},
      // Bare member names: ASCII, $ and _, non-ASCII, digits, words that are literals elsewhere.
      {"{Name: 'n', $x_1: 2, 名称: 3, 10: 4, true: null}", R"({"Name":"n","$x_1":2,"名称":3,"10":4,"true":null})"},
      {"{a /*c*/ : true}", R"({"a":true})"},
      // Trailing commas.
      {"{\"a\":[1,2,],}", R"({"a":[1,2]})"},
      {"[ {}, ]", "[{}]"},
      // Lone surrogates become U+FFFD (which the JSON text writes as an escape); a whole pair
      // stays one character.
      {R"({"t":"ab\ud83d"})", R"({"t":"ab\ufffd"})"},
      {R"(["\udc00x", "\ud83d\ude00"])", "[\"\\ufffdx\",\"\xF0\x9F\x98\x80\"]"},
      {R"(["\ud83d\u0041"])", R"(["\ufffdA"])"},
      // Raw control characters inside strings.
      {"{\"a\":\"x\ty\x01z\"}", R"({"a":"x\ty\u0001z"})"},
      {"['two\nlines']", R"(["two\nlines"])"},
      // Blanks a script engine also skips.
      {"\xEF\xBB\xBF{\v\"a\"\f:\xC2\xA0"
       "1}",
       R"({"a":1})"},
      // Still refused: script, open strings and comments, what is no value.
      {"{a: b}", ""},
      {"{'a': 1", ""},
      {"{\"a\": 'x}", ""},
      {"{\"a\":1 /* open", ""},
      {"{a: alert(1)}", ""},
      {"[1,,2]", ""},
      {"{,}", ""},
      {"[,]", ""},
      {"{\"a\": 0x10}", ""},
      {"{\"a\": undefined}", ""},
      {"['\\08']", ""},
      {"['\\u12']", ""},
      {"['\\x4']", ""},
      {"'tail\\", ""},
  };
  for (const auto& c : cases) {
    JsonDocument document;
    const bool parsed = document.Parse(c.text);
    EXPECT_EQ(parsed ? document.ToJson() : Text(), c.json) << c.text;
  }
}

// Strict JSON comes out of the rewriting byte for byte, so both readings always agree.
TEST(JsonRelaxedTest, StrictJsonPassesUnchanged) {
  for (const Text& text :
       std::vector<Text>{R"({"a":[1,-2.5e3,true,null],"b":{"c":"\u00e9\/\"\\"}})", Text("\"\xE4\xB8\xAD\""),
                         Text(" [ ] "), Text("{\"\xE5\x90\x8D\":\"\\ud83d\\ude00\"}")}) {
    const auto relaxed = RelaxedToStrictJson(text);
    ASSERT_TRUE(relaxed.has_value()) << text;
    EXPECT_EQ(*relaxed, text);
  }
}

// Answers read the same way: a usable answer is no longer "JSON解析失败".
TEST(JsonRelaxedTest, AnswersWithObjectLiteralFormsYieldTheirValue) {
  EXPECT_EQ(JsonValueAtPath("{url:'http://s/1',}", "url"), "http://s/1");
  EXPECT_EQ(JsonValueAtPath(R"({"title":"cut\ud83d","u":"x"})", "title"), "cut\xEF\xBF\xBD");
  EXPECT_EQ(JsonValueAtPath("<html>", "url"), "JSON解析失败");
}

}  // namespace
}  // namespace pindle
