#include "platform/codepage.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(Codepage, RoundTripsAndWindowsRules) {
  struct Case {
    const char* utf8;
    const char* gbk;
  } cases[] = {
      {"", ""},
      {"abc", "abc"},
      {"中", "\xD6\xD0"},
      {"中文", "\xD6\xD0\xCE\xC4"},
      {"软件设定", "\xC8\xED\xBC\xFE\xC9\xE8\xB6\xA8"},
      {"€", "\x80"},
      {"\xE3\x80\x80", "\xA1\xA1"},  // full-width space
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
    EXPECT_EQ(GbkToUtf8Text(c.gbk), c.utf8) << c.utf8;
  }
}

TEST(Codepage, SubstitutesQuestionMarks) {
  struct Case {
    const char* from;
    const char* want;
    bool toGbk;
  } cases[] = {
      // clang-format off
      {"a😀b", "a?b", true},          // no 936 form
      {"a\xFF" "b", "a?b", true},     // invalid UTF-8 byte
      {"x\xE4\xB8", "x?", true},      // cut-off sequence at the end
      {"a\xD6", "a?", false},         // lead byte cut off at the end
      {"\xD6\x30z", "?0z", false},    // lead byte without a valid trail byte
      {"\xFF" "a", "?a", false},      // not a 936 byte
      {"\xFF\xFF\xFF" "a\xFF\xD6\xD0\xFF", "???a?中?", false},  // runs of them, around a character
      // clang-format on
      {"\xFF\xD6\xFF\xD6", "????", false},  // lead bytes inside a run, one cut off at the end
      {"\xD6\x30\xFF\x80", "?0?€", false},  // € (0x80) is a character, not part of the run
  };
  for (const auto& c : cases) EXPECT_EQ(c.toGbk ? Utf8ToGbk(c.from) : GbkToUtf8Text(c.from), c.want) << c.from;
}

TEST(Codepage, DecodeLocalTextRecognisesUtf8Files) {
  struct Case {
    std::string bytes;
    const char* want;
  } cases[] = {
      {"\xEF\xBB\xBF{\"Name\":\"中\"}", "{\"Name\":\"中\"}"},
      {"{\"Name\":\"\xD6\xD0\xCE\xC4\"}", "{\"Name\":\"中文\"}"},  // GBK from Windows
      {"{\"Name\":\"示例短链\"}", "{\"Name\":\"示例短链\"}"},      // UTF-8 from an editor
      {"plain", "plain"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeLocalText(c.bytes), c.want) << c.bytes;
  EXPECT_TRUE(IsWellFormedUtf8("中文"));
  EXPECT_FALSE(IsWellFormedUtf8("\xC0\x80"));      // overlong
  EXPECT_FALSE(IsWellFormedUtf8("\xED\xA0\x80"));  // surrogate
  // clang-format off
  EXPECT_EQ(SanitizeUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
  // clang-format on
}

TEST(Codepage, WellFormedGbk) {
  const struct {
    std::string bytes;
    bool gbk;
  } cases[] = {
      {"ascii", true},     {"\xD6\xD0\xCE\xC4", true},
      {"\x80", true},  // the euro sign
      {"\x81\x40", true},  {"\xD6", false},
      {"\xD6\x7F", false}, {"\xD6\x30", false},
      {"\xFF\xFE", false}, {"\xE4\xB8\xAD", false},  // UTF-8 "中": a lead byte without a trail
  };
  for (const auto& c : cases) EXPECT_EQ(IsWellFormedGbk(c.bytes), c.gbk) << c.bytes;
}

}  // namespace
}  // namespace pindle
