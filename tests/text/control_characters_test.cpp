#include "text/control_characters.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(ControlCharacters, EscapedForTheTerminalMarkedForTheWindow) {
  const struct {
    Text text, escaped, marked;
  } cases[] = {
      {"https://s/1", "https://s/1", "https://s/1"},
      {"a\nb\r\n", "a\\nb\\r\\n", "a\uFFFDb\uFFFD\uFFFD"},
      {"a\tb", "a\\tb", "a\uFFFDb"},
      {"\x1b[2J\x07", "\\x1b[2J\\x07", "\uFFFD[2J\uFFFD"},
      {Text("a\0b", 3), "a\\x00b", "a\uFFFDb"},
      {"x\x7f", "x\\x7f", "x\uFFFD"},
      {"\xC2\x9B"
       "31m",
       "\\u009b31m", "\uFFFD31m"},                 // C1 CSI in UTF-8
      {"中文 é \\n", "中文 é \\n", "中文 é \\n"},  // text, and a backslash, stay as they are
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EscapeControlCharacters(c.text), c.escaped) << c.text;
    EXPECT_EQ(ReplaceControlCharacters(c.text), c.marked) << c.text;
  }
}

}  // namespace
}  // namespace pindle
