#include "text/text_utils.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

TEST(TextUtils, Find) {
  struct Case {
    const char* text;
    const char* sought;
    int start;
    bool ignoreCase;
    int want;
  } cases[] = {
      {"abcabc", "bc", 1, false, 2},
      {"abcabc", "bc", 3, false, 5},
      {"abcabc", "bc", -4, false, 2},
      {"abcabc", "BC", 1, false, -1},
      {"abcabc", "BC", 1, true, 2},
      {"abc", "", 1, false, 1},
      {"", "", 1, false, -1},
      {"", "a", 1, false, -1},
      {"中文abc", "abc", 1, false, 7},
      {"中文", "\x96", 1, false, -1},  // never inside a character
      {"x中X", "x", 2, true, 5},
      // Ignoring case: the first byte in either case, the nearer first; a failed candidate
      // moves on; a match in the last place; a sought text longer than the rest.
      {"xAbab", "ab", 1, true, 2},
      {"aXaB", "ab", 1, true, 3},
      {"zzAB", "ab", 1, true, 3},
      {"ab", "abc", 1, true, -1},
      {"abAB", "ab", 4, true, -1},
      {"a-b-B", "-B", 1, true, 2},
      {"中文中", "文", 1, true, 4},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Find(c.text, c.sought, c.start, c.ignoreCase), c.want) << c.text << " / " << c.sought;
  EXPECT_EQ(FindBackward("abcabc", "bc"), 5);
  EXPECT_EQ(FindBackward("abcabc", "x"), -1);
}

TEST(TextUtils, SplitKeepsLeadingAndMiddleEmptyPiecesOnly) {
  struct Case {
    const char* text;
    const char* delimiter;
    std::vector<Text> want;
  } cases[] = {
      {"a;;b;", ";", {"a", "", "b"}},
      {";a", ";", {"", "a"}},
      {"", ";", {}},
      {";", ";", {""}},
      {"a\r\nb\r\n", "\r\n", {"a", "b"}},
      {"a$Url$", "$Url$", {"a"}},
      {"$Url$b", "$Url$", {"", "b"}},
      {"中;文", ";", {"中", "文"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Split(c.text, c.delimiter), c.want) << c.text;
}

TEST(TextUtils, ReplaceTrimCase) {
  EXPECT_EQ(Replace("u=$URL$&v=$url$", "$Url$", "X", 1, -1, false), "u=X&v=X");
  EXPECT_EQ(Replace("u=$URL$&v=$Url$", "$Url$", "X"), "u=$URL$&v=X");
  EXPECT_EQ(Replace("aaa", "a", "aa"), "aaaaaa");  // replaced text is not scanned again
  EXPECT_EQ(Replace("abab", "ab", "x", 2), "abx");
  EXPECT_EQ(Replace("ababab", "ab", "x", 1, 2), "xxab");
  EXPECT_EQ(Trim("\t a \xE3\x80\x80"), "\t a");
  EXPECT_EQ(Trim("\xE3\x80\x80 a\r\n"), "a\r\n");
  // clang-format off
  EXPECT_EQ(RemoveSpaces("a b\xE3\x80\x80" "c"), "abc");
  // clang-format on
  EXPECT_EQ(ToUpperAscii("abc中é"), "ABC中é");
  EXPECT_EQ(ToLowerAscii("ABC中"), "abc中");
  EXPECT_TRUE(EqualsIgnoreAsciiCase("Set-Cookie", "set-cookie"));
}

TEST(TextUtils, LeftRightMiddleNeverSplitACharacter) {
  EXPECT_EQ(Left("中文", 4), "中");
  EXPECT_EQ(Left("abc", 0), "");
  EXPECT_EQ(Left("abc", 10), "abc");
  EXPECT_EQ(Right("中文", 4), "文");
  EXPECT_EQ(Right("abc", -1), "");
  EXPECT_EQ(Middle("abcdef", 2, 3), "bcd");
  EXPECT_EQ(Middle("abc", 5, 3), "");
}

TEST(TextUtils, ToInteger) {
  struct Case {
    const char* text;
    long long want;
  } cases[] = {{"81", 81}, {"  -12x", -12}, {"+7", 7}, {"xyz", 0}, {"", 0}, {"99999999999999999999", LLONG_MAX}};
  for (const auto& c : cases) EXPECT_EQ(ToInteger(c.text), c.want) << c.text;
}

TEST(TextUtils, TextBetweenAndBefore) {
  struct Case {
    const char* text;
    const char* left;
    const char* right;
    const char* want;
  } cases[] = {
      {R"({"short":"x"})", "#引号short#引号:#引号", "#引号", "x"},
      {"abc", "a", "z", ""},
      {"abc", "z", "c", ""},
      {"abc", "a", "b", ""},
      {"cb({\"u\":\"S\"})", "cb(", ")", "{\"u\":\"S\"}"},
      {"<a>1</a><a>2</a>", "<a>", "</a>", "1"},
  };
  for (const auto& c : cases) EXPECT_EQ(TextBetween(c.text, c.left, c.right), c.want) << c.text;
  EXPECT_EQ(TextBetween("xAyBz", "a", "b", 1, true), "y");
  EXPECT_EQ(TextBefore("Set-Cookie: a=1", ": "), "Set-Cookie");
  EXPECT_EQ(TextBefore("abc", ": "), "");
  EXPECT_EQ(TextBefore(": x", ": "), "");
}

TEST(TextUtils, CountOccurrences) {
  EXPECT_EQ(CountOccurrences("aaaa", "aa"), 2);
  EXPECT_EQ(CountOccurrences("AbAB", "ab"), 2);
  EXPECT_EQ(CountOccurrences("AbAB", "ab", true), 0);
  EXPECT_EQ(CountOccurrences("", "a"), 0);
  EXPECT_EQ(CountOccurrences("a", ""), 0);
}

TEST(TextUtils, FileNameOfPathAndEnsureDirectory) {
  EXPECT_EQ(FileNameOfPath("https://h/x/Plug/a.json"), "a.json");
  EXPECT_EQ(FileNameOfPath("C:\\dir\\"), "");
  EXPECT_EQ(FileNameOfPath("/dir/"), "");
  EXPECT_EQ(FileNameOfPath("a.json"), "a.json");
  test::TempDir dir;
  const Text nested = dir.path() + "/a/b/c/";
  EXPECT_TRUE(EnsureDirectory(nested));
  EXPECT_TRUE(DirectoryExists(dir.path() + "/a/b/c"));
  EXPECT_TRUE(EnsureDirectory(nested));
  dir.write("file", "x");
  EXPECT_FALSE(EnsureDirectory(dir.file("file") + "/sub"));
}

}  // namespace
}  // namespace pindle
