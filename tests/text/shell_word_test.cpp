#include "text/shell_word.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(ShellWord, QuotesOnlyWhatTheShellWouldSplitOrExpand) {
  struct Case {
    Text word, wanted;
  } cases[] = {{"bit.ly", "bit.ly"},
               {"带钥匙", "带钥匙"},
               {"TinyURL API", "'TinyURL API'"},
               {"", "''"},
               {"it's", "'it'\\''s'"},
               {"$HOME", "'$HOME'"},
               {"a;b", "'a;b'"},
               {"-x", "-x"}};
  for (const auto& c : cases) EXPECT_EQ(ShellWord(c.word), c.wanted) << c.word;
}

}  // namespace
}  // namespace pindle
