#include "platform/utf16_text.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(Utf16Text, DecodesOnlyTextWithAMark) {
  using namespace std::string_literals;
  struct Case {
    const char* label;
    std::string bytes;
    std::optional<Text> want;
  } cases[] = {
      {"little-endian",
       "\xFF\xFE"
       "a\0\x2D\x4E\r\0\n\0"s,
       "a中\r\n"},
      {"big-endian",
       "\xFE\xFF"
       "\0a\x4E\x2D"s,
       "a中"},
      {"mark alone", "\xFF\xFE"s, ""},
      {"surrogate pair",
       "\xFF\xFE"
       "\x3D\xD8\x00\xDE"s,
       "\xF0\x9F\x98\x80"},
      {"lone high surrogate",
       "\xFF\xFE"
       "\x3D\xD8"
       "a\0"s,
       "\xEF\xBF\xBD"
       "a"},
      {"lone high surrogate at the end",
       "\xFF\xFE"
       "\x3D\xD8"s,
       "\xEF\xBF\xBD"},
      {"lone low surrogate",
       "\xFF\xFE"
       "\x00\xDE"s,
       "\xEF\xBF\xBD"},
      {"odd last byte",
       "\xFF\xFE"
       "a\0b"s,
       "a\xEF\xBF\xBD"},
      {"UTF-8 with its mark",
       "\xEF\xBB\xBF"
       "a"s,
       std::nullopt},
      {"GBK", "\xD6\xD0"s, std::nullopt},
      {"UTF-16 without a mark", "a\0b\0"s, std::nullopt},
      {"one byte", "\xFF"s, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodeUtf16WithMark(c.bytes), c.want) << c.label;
}

}  // namespace
}  // namespace pindle
