#include "json/json_document.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace pindle {
namespace {

Text Nested(int levels, const Text& inner = "1") { return Text(levels, '[') + inner + Text(levels, ']'); }

TEST(JsonDocumentTest, ParseAcceptsJsonValuesOnly) {
  struct Case {
    Text text;
    bool parsed;
    Text json;
  };
  const std::vector<Case> cases = {
      {"", false, "null"},
      {"   ", false, "null"},
      {"null", false, "null"},
      {"{\"a\":1}", true, "{\"a\":1}"},
      {"{\n  \"a\" : 1,\r\n  \"b\": [true, null]\n}", true, "{\"a\":1,\"b\":[true,null]}"},
      {"0", true, "0"},
      {"false", true, "false"},
      {"\"\"", true, "\"\""},
      {"[]", true, "[]"},
      // Members keep the order they were written in, numeric-looking names included.
      {"{\"z\":1,\"a\":2,\"10\":3,\"2\":4}", true, "{\"z\":1,\"a\":2,\"10\":3,\"2\":4}"},
      // A repeated member keeps its first place and takes the last value, as in JavaScript.
      {"{\"a\":1,\"b\":2,\"a\":3}", true, "{\"a\":3,\"b\":2}"},
      // An object literal's extras are read; script is never run.
      {"{'a':1}", true, "{\"a\":1}"},
      {"{a:1}", true, "{\"a\":1}"},
      {"alert(1)", false, "null"},
      {"(function(){return 1})()", false, "null"},
      {"{\"a\":1} x", false, "null"},
      {"{\"a\":1,}", true, "{\"a\":1}"},
      {"// c\n{}", true, "{}"},
      {"oops", false, "null"},
      // Invalid UTF-8 does not make the text unreadable.
      {"{\"a\":\"x\xFFy\"}", true, "{\"a\":\"x\\ufffdy\"}"},
      {Nested(512), true, Nested(512)},
      {Nested(513), false, "null"},
      {Nested(100000), false, "null"},
      {Text(100000, '{'), false, "null"},
  };
  for (const auto& c : cases) {
    JsonDocument document;
    EXPECT_EQ(document.Parse(c.text), c.parsed) << c.text.substr(0, 80);
    EXPECT_EQ(document.ToJson(), c.json) << c.text.substr(0, 80);
  }
}

TEST(JsonDocumentTest, FailedParseReadsEmpty) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{\"a\":1}"));
  EXPECT_FALSE(document.Parse("{broken"));
  EXPECT_EQ(document.GetText("a"), "");
  EXPECT_EQ(document.TypeOf(""), JsonType::Missing);
  EXPECT_EQ(document.TypeOf("a"), JsonType::Other);  // a member of null does not evaluate
  EXPECT_EQ(document.Count(), 0);
}

TEST(JsonDocumentTest, PathsTypesAndTexts) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse(
      "{\"a\":{\"b\":[10,\"x\",true,null]},\"API\":{\"API Path\":\"p\"},\"s\":\"\xE4\xB8\xAD\xF0\x9F\x98\x80\","
      "\"f\":false,\"o\":{\"length\":7},\"e\":{},\"n\":-2.5}"));
  struct Case {
    Text path;
    JsonType type;
    Text text;
    Text json;
  };
  const std::vector<Case> cases = {
      {"a.b[0]", JsonType::Number, "10", "10"},
      {"a.b[1]", JsonType::String, "x", "\"x\""},
      {"a.b[2]", JsonType::Boolean, "True", "true"},
      {"f", JsonType::Boolean, "False", "false"},
      {"a.b[3]", JsonType::Missing, "", "null"},
      {"a.b", JsonType::Array, "10,x,true,", "[10,\"x\",true,null]"},
      {"a", JsonType::Object, "[object Object]", "{\"b\":[10,\"x\",true,null]}"},
      {"e", JsonType::Object, "[object Object]", "{}"},
      {"n", JsonType::Number, "-2.5", "-2.5"},
      {"a.c", JsonType::Missing, "", ""},
      {"x.y", JsonType::Other, "", ""},
      {"a.b[3].c", JsonType::Other, "", ""},
      {"a.b[0].c", JsonType::Missing, "", ""},
      {"a.b[9]", JsonType::Missing, "", ""},
      {"API['API Path']", JsonType::String, "p", "\"p\""},
      {"API[\"API Path\"]", JsonType::String, "p", "\"p\""},
      {"a['b'][1]", JsonType::String, "x", "\"x\""},
      {"a [ 'b' ] [ 1 ]", JsonType::String, "x", "\"x\""},
      {"a . b [ 0 ]", JsonType::Number, "10", "10"},
      {"a.b['1']", JsonType::String, "x", "\"x\""},
      {"a.b[1.0]", JsonType::String, "x", "\"x\""},
      {"a.b[-1]", JsonType::Missing, "", ""},
      {"a.b.length", JsonType::Number, "4", "4"},
      {"a.b[1].length", JsonType::Number, "1", "1"},
      {"s.length", JsonType::Number, "3", "3"},  // UTF-16 units: 中 is one, the emoji two
      {"o.length", JsonType::Number, "7", "7"},
      {"a.length", JsonType::Missing, "", ""},
      {"a.b.length.x", JsonType::Missing, "", ""},
      // Paths that begin with "[" are not joined with a dot for TypeOf: they never evaluate there.
      {"[0]", JsonType::Other, "", ""},
      {"['a']", JsonType::Other, "[object Object]", "{\"b\":[10,\"x\",true,null]}"},
      // Anything that is not member access is refused, never run.
      {"a||b", JsonType::Other, "", ""},
      {"a.b[0]+1", JsonType::Other, "", ""},
      {"a;x", JsonType::Other, "", ""},
      {"a.b[0]()", JsonType::Other, "", ""},
      {"a.", JsonType::Other, "", ""},
      {"a..b", JsonType::Other, "", ""},
      {"a.b[", JsonType::Other, "", ""},
      {"a['b]", JsonType::Other, "", ""},
      {"a.1", JsonType::Other, "", ""},
      {"", JsonType::Object, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(document.TypeOf(c.path), c.type) << c.path;
    EXPECT_EQ(document.GetText(c.path), c.text) << c.path;
    EXPECT_EQ(document.GetText(c.path, true), c.json) << c.path;
  }
}

TEST(JsonDocumentTest, NumberTexts) {
  // Plain-text reads give "%.13g"; the JSON forms give JavaScript's number text.
  struct Case {
    Text literal;
    Text plain;
    Text json;
  };
  const std::vector<Case> cases = {
      {"3", "3", "3"},
      {"1.5", "1.5", "1.5"},
      {"1.0", "1", "1"},
      {"100", "100", "100"},
      {"-0.5", "-0.5", "-0.5"},
      {"1e21", "1e+21", "1e+21"},
      {"1.5e21", "1.5e+21", "1.5e+21"},
      {"123456789012345680000", "1.234567890123e+20", "123456789012345680000"},
      {"12345678901234567890", "1.234567890123e+19", "12345678901234567000"},
      {"1e-7", "1e-07", "1e-7"},
      {"0.000001", "1e-06", "0.000001"},
      {"0.0000012345", "1.2345e-06", "0.0000012345"},
      {"0.30000000000000004", "0.3", "0.30000000000000004"},
      {"-2.5e-10", "-2.5e-10", "-2.5e-10"},
      {"5e-324", "4.940656458412e-324", "5e-324"},
      {"1.7976931348623157e308", "1.797693134862e+308", "1.7976931348623157e+308"},
  };
  for (const auto& c : cases) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse("{\"n\":" + c.literal + "}")) << c.literal;
    EXPECT_EQ(document.GetText("n"), c.plain) << c.literal;
    EXPECT_EQ(document.GetText("n", true), c.json) << c.literal;
    EXPECT_EQ(document.ToJson(), "{\"n\":" + c.json + "}") << c.literal;
    EXPECT_EQ(JsonValueAtPath("{\"n\":" + c.literal + "}", "n"), c.json) << c.literal;
  }
}

TEST(JsonDocumentTest, StringEscapes) {
  struct Case {
    Text jsonString;  // as written in the input
    Text written;     // as ToJson writes it
  };
  const std::vector<Case> cases = {
      {R"("plain")", R"("plain")"},
      {R"("a\"b\\c\/d")", R"("a\"b\\c/d")"},
      {R"("\b\f\n\r\t")", R"("\b\f\n\r\t")"},
      {R"("\u0000\u0001\u001f")", R"("\u0000\u0001\u001f")"},
      {R"("\u007f\u0080\u009f\u00a0")", "\"\\u007f\\u0080\\u009f\xC2\xA0\""},
      {R"("\u00ad\u0600\u0604\u0605\u070f")", "\"\\u00ad\\u0600\\u0604\xD8\x85\\u070f\""},
      {R"("\u17b4\u17b5\u200b\u200c\u200f\u2010")", "\"\\u17b4\\u17b5\xE2\x80\x8B\\u200c\\u200f\xE2\x80\x90\""},
      {R"("\u2028\u202f\u2030\u2060\u206f")", "\"\\u2028\\u202f\xE2\x80\xB0\\u2060\\u206f\""},
      {R"("\ufeff\ufff0\uffff\uABCD")", "\"\\ufeff\\ufff0\\uffff\xEA\xAF\x8D\""},
      {"\"\xE4\xB8\xAD\xC3\xA9\xF0\x9F\x98\x80\"", "\"\xE4\xB8\xAD\xC3\xA9\xF0\x9F\x98\x80\""},
      {R"("\ud83d\ude00")", "\"\xF0\x9F\x98\x80\""},
  };
  for (const auto& c : cases) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse("{\"k" + c.jsonString.substr(1) + ":" + c.jsonString + "}")) << c.jsonString;
    EXPECT_EQ(document.ToJson(), "{" + c.written.substr(0, 1) + "k" + c.written.substr(1) + ":" + c.written + "}")
        << c.jsonString;
  }
}

TEST(JsonDocumentTest, TopLevelArrayWithBracketPaths) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("[1.5,\"x\",[true,null,\"y\"]]"));
  EXPECT_EQ(document.TypeOf("[0]"), JsonType::Other);
  EXPECT_EQ(document.TypeOf(""), JsonType::Array);
  EXPECT_EQ(document.GetText("[0]"), "1.5");
  EXPECT_EQ(document.GetText("[1]"), "x");
  EXPECT_EQ(document.GetText("[2]"), "true,,y");
  EXPECT_EQ(document.GetText("[2][2]", true), "\"y\"");
  EXPECT_EQ(document.GetElementText(1), "x");
  EXPECT_EQ(document.GetElementText(1, "", true), "\"x\"");
  EXPECT_EQ(document.GetElementText(0, "", true), "1.5");
  EXPECT_EQ(document.GetElementObject(2).ToJson(), "[true,null,\"y\"]");
  EXPECT_EQ(document.GetObject("[2]").ToJson(), "[true,null,\"y\"]");
  EXPECT_EQ(document.Count(), 3);
  EXPECT_EQ(document.Count("[2]"), 3);
}

TEST(JsonDocumentTest, CountsAndMemberNames) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{\"a\":{\"b\":[10,\"x\",true,null]},\"x,y\":1,\"toJSONString\":2,\"s\":\"abc\"}"));
  EXPECT_EQ(document.Count("a.b"), 4);
  EXPECT_EQ(document.Count("a"), 1);
  EXPECT_EQ(document.Count(), 4);
  EXPECT_EQ(document.Count("s"), 0);
  EXPECT_EQ(document.Count("nothing.here"), 0);

  std::vector<Text> names = {"stale"};
  EXPECT_EQ(document.MemberNames(names, "a"), 1);
  EXPECT_EQ(names, std::vector<Text>{"b"});
  EXPECT_EQ(document.MemberNames(names, "a.b"), 4);
  EXPECT_EQ(names, (std::vector<Text>{"0", "1", "2", "3"}));
  // Names are the members' own, whole: none is split or dropped.
  EXPECT_EQ(document.MemberNames(names), 4);
  EXPECT_EQ(names, (std::vector<Text>{"a", "x,y", "toJSONString", "s"}));
  EXPECT_EQ(document.MemberNames(names, "missing"), 0);
  EXPECT_TRUE(names.empty());
}

TEST(JsonDocumentTest, Changes) {
  struct Case {
    const char* what;
    Text start;
    std::function<void(JsonDocument&)> change;
    Text result;
  };
  const std::vector<Case> cases = {
      {"member", "{}", [](JsonDocument& d) { d.SetMember("a", "v"); }, R"({"a":"v"})"},
      {"member text kept as given", "{}", [](JsonDocument& d) { d.SetMember("a", "it's \\n"); }, R"({"a":"it's \\n"})"},
      {"member replaced in place", R"({"a":1,"b":2})", [](JsonDocument& d) { d.SetMember("a", "x"); },
       R"({"a":"x","b":2})"},
      {"member as JSON", "{}", [](JsonDocument& d) { d.SetMember("a", "[1,2]", true); }, R"({"a":[1,2]})"},
      {"empty JSON member", "{}", [](JsonDocument& d) { d.SetMember("a", "", true); }, R"({"a":{}})"},
      {"script is no JSON", "{}", [](JsonDocument& d) { d.SetMember("a", "alert(1)", true); }, "{}"},
      {"member of missing", "{}", [](JsonDocument& d) { d.SetMember("x.y", "v"); }, "{}"},
      {"member of a string", R"({"s":"t"})", [](JsonDocument& d) { d.SetMember("s.y", "v"); }, R"({"s":"t"})"},
      {"empty path", "{}", [](JsonDocument& d) { d.SetMember("", "v"); }, "{}"},
      {"quoted path", R"({"API":{}})", [](JsonDocument& d) { d.SetMember("API['API Path']", "p"); },
       R"({"API":{"API Path":"p"}})"},
      {"member JSON", R"({"a":{}})", [](JsonDocument& d) { d.SetMemberJson("a.b", R"({"c":1})"); },
       R"({"a":{"b":{"c":1}}})"},
      {"member JSON not JSON", R"({"a":1})", [](JsonDocument& d) { d.SetMemberJson("a", "{"); }, R"({"a":1})"},
      {"number 13 digits", "{}", [](JsonDocument& d) { d.SetMemberNumber("n", 1.0 / 3); }, R"({"n":0.3333333333333})"},
      {"number rounded", "{}", [](JsonDocument& d) { d.SetMemberNumber("n", 0.1 + 0.2); }, R"({"n":0.3})"},
      {"array length", R"({"a":[1,2,3]})", [](JsonDocument& d) { d.SetMemberNumber("a.length", 1); }, R"({"a":[1]})"},
      {"element beyond end", R"({"a":[1]})", [](JsonDocument& d) { d.SetMember("a[2]", "z"); },
       R"({"a":[1,null,"z"]})"},
      {"element far beyond end", R"({"a":[1]})", [](JsonDocument& d) { d.SetMember("a[100000000]", "z"); },
       R"({"a":[1]})"},
      {"append to root", "{}", [](JsonDocument& d) { d.Append("v"); }, R"(["v"])"},
      {"append raw", "[0]", [](JsonDocument& d) { d.Append("{\"k\":1}", "", true); }, R"([0,{"k":1}])"},
      {"append to member", R"({"list":[1]})", [](JsonDocument& d) { d.Append("x", "list"); }, R"({"list":[1,"x"]})"},
      {"append replaces non-array", R"({"list":5})", [](JsonDocument& d) { d.Append("x", "list"); },
       R"({"list":["x"]})"},
      {"append raw not JSON", "[0]", [](JsonDocument& d) { d.Append("x+1", "", true); }, "[0]"},
      {"set element", "[0]", [](JsonDocument& d) { d.SetElement(1, "x"); }, R"([0,"x"])"},
      {"set element raw", "[0]", [](JsonDocument& d) { d.SetElement(3, "1", true); }, "[0,null,null,1]"},
      {"set element of object", "{}", [](JsonDocument& d) { d.SetElement(2, "x"); }, R"({"2":"x"})"},
      {"remove element", "[1,2,3]", [](JsonDocument& d) { d.RemoveElement(1); }, "[1,3]"},
      {"remove from the end", "[1,2,3]", [](JsonDocument& d) { d.RemoveElement(-1); }, "[1,2]"},
      {"remove beyond end", "[1,2,3]", [](JsonDocument& d) { d.RemoveElement(5); }, "[1,2,3]"},
      {"remove at path", R"({"list":[1,2,3]})", [](JsonDocument& d) { d.RemoveAtPath("list[1]"); },
       R"({"list":[1,3]})"},
      {"remove at nested path", R"({"a":{"b":[1,2]}})", [](JsonDocument& d) { d.RemoveAtPath("a.b[0]"); },
       R"({"a":{"b":[2]}})"},
      {"remove at missing path", "{}", [](JsonDocument& d) { d.RemoveAtPath("list[0]"); }, "{}"},
      {"remove at path of object", R"({"o":{"0":1}})", [](JsonDocument& d) { d.RemoveAtPath("o[0]"); },
       R"({"o":{"0":1}})"},
      {"reset to array", R"({"a":1})", [](JsonDocument& d) { d.Reset(5); }, "[]"},
      {"reset to object", "[1]", [](JsonDocument& d) { d.Reset(4); }, "{}"},
      {"reset of other kind", R"({"a":1})", [](JsonDocument& d) { d.Reset(3); }, R"({"a":1})"},
      {"clear", "[1]", [](JsonDocument& d) { d.Clear(); }, "{}"},
      {"root", "{}", [](JsonDocument& d) { d.SetRoot("[1]", true); }, "[1]"},
      {"root text", "{}", [](JsonDocument& d) { d.SetRoot("a'b"); }, R"("a'b")"},
      {"root not JSON", "{}", [](JsonDocument& d) { d.SetRoot("a'b", true); }, "{}"},
  };
  for (const auto& c : cases) {
    JsonDocument document;
    ASSERT_TRUE(document.Parse(c.start)) << c.what;
    c.change(document);
    EXPECT_EQ(document.ToJson(), c.result) << c.what;
  }
}

TEST(JsonDocumentTest, SetRootGivesTheValueAsBoolean) {
  JsonDocument document;
  EXPECT_TRUE(document.SetRoot("1", true));
  EXPECT_FALSE(document.SetRoot("0", true));
  EXPECT_TRUE(document.SetRoot("true", true));
  EXPECT_TRUE(document.SetRoot("True"));
  EXPECT_FALSE(document.SetRoot("abc"));
  EXPECT_FALSE(document.SetRoot("{}", true));
  EXPECT_FALSE(document.SetRoot("nope", true));
}

TEST(JsonDocumentTest, ExistsAndNumbers) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse(R"({"a":{"n":2.5,"z":null,"s":" 12 ","t":"x","b":true,"l":[1,2]}})"));
  EXPECT_TRUE(document.Exists("a.n"));
  EXPECT_TRUE(document.Exists("a.l.length"));
  EXPECT_FALSE(document.Exists("a.z"));
  EXPECT_FALSE(document.Exists("a.q"));
  EXPECT_FALSE(document.Exists("q.r"));
  EXPECT_FALSE(document.Exists(""));
  EXPECT_EQ(document.GetNumber("a.n"), 2.5);
  EXPECT_EQ(document.GetNumber("a.s"), 12);
  EXPECT_EQ(document.GetNumber("a.t"), 0);
  EXPECT_EQ(document.GetNumber("a.b"), 1);
  EXPECT_EQ(document.GetNumber("a.l.length"), 2);
  EXPECT_EQ(document.GetNumber("q.r"), 0);
  EXPECT_EQ(document.GetMemberJson("a.l"), "[1,2]");
  EXPECT_EQ(document.GetMemberJson(""), "");
}

TEST(JsonDocumentTest, ClonesShareUntilOneParses) {
  JsonDocument original;
  ASSERT_TRUE(original.Parse(R"({"a":1})"));
  JsonDocument clone = original.Clone();
  JsonDocument copy = original;
  clone.SetMember("b", "x");
  EXPECT_EQ(original.ToJson(), R"({"a":1,"b":"x"})");
  EXPECT_EQ(copy.ToJson(), R"({"a":1,"b":"x"})");
  ASSERT_TRUE(clone.Parse("[2]"));
  EXPECT_EQ(clone.ToJson(), "[2]");
  EXPECT_EQ(original.ToJson(), R"({"a":1,"b":"x"})");

  // A sub-document is a copy of its own.
  JsonDocument sub = original.GetObject("a");
  EXPECT_EQ(sub.ToJson(), "1");
  sub.SetRoot("5", true);
  EXPECT_EQ(original.GetText("a"), "1");

  JsonDocument moved = std::move(original);
  EXPECT_EQ(moved.GetText("a"), "1");
}

TEST(JsonDocumentTest, EmptyPathReadsNothingButTheWholeDocumentHasItsJson) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse(R"({"a":1})"));
  EXPECT_EQ(document.GetText(""), "");
  EXPECT_EQ(document.GetText("", true), "");
  JsonDocument whole = document.GetObject("");
  EXPECT_EQ(whole.TypeOf(""), JsonType::Missing);
  EXPECT_EQ(document.ToJson(), R"({"a":1})");
}

TEST(JsonDocumentTest, DepthStaysBoundedThroughChanges) {
  JsonDocument document;
  ASSERT_TRUE(document.Parse("{}"));
  // A value may be nested as deep as a parsed document, but not deeper in total.
  document.SetMemberJson("a", Nested(511));
  EXPECT_EQ(document.TypeOf("a"), JsonType::Array);
  document.SetMemberJson("b", Nested(512));
  EXPECT_EQ(document.TypeOf("b"), JsonType::Missing);
  Text path = "a";
  for (int i = 0; i < 510; ++i) path += "[0]";
  EXPECT_EQ(document.TypeOf(path), JsonType::Array);
  document.Append("[[1]]", path, true);
  EXPECT_EQ(document.Count(path), 1);
  document.SetElement(0, Nested(600), true);
  EXPECT_EQ(document.TypeOf("a"), JsonType::Array);
}

}  // namespace
}  // namespace pindle
