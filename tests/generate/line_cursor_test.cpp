#include "generate/line_cursor.h"

#include <gtest/gtest.h>

#include <vector>

namespace pindle {
namespace {

// Every door splits a text as the cursor does; taken in order, out of order and beyond the last
// line it gives the same lines.
TEST(LineCursor, LinesOfAText) {
  const struct {
    const char* text;
    std::vector<Text> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\n", {"a"}},
      {"u1\nu2\nu3", {"u1", "u2", "u3"}},
      {"u1\r\nu2\r\n", {"u1", "u2"}},
      {"u1\n\nu2", {"u1", "", "u2"}},
      {"\nu1", {"", "u1"}},
      {"a\n\n", {"a", ""}},
      {"\n", {""}},
      {"a\rb\r\n\r", {"a\rb", ""}},  // a CR ending a line is dropped, one inside it stays
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    ASSERT_EQ(LineCount(c.text), static_cast<int>(c.lines.size()));
    const auto expected = [&](int n) {
      return n >= 1 && n <= static_cast<int>(c.lines.size()) ? c.lines[static_cast<size_t>(n - 1)] : Text();
    };
    LineCursor cursor(c.text);
    for (const int n : {1, 2, 3, 2, 1, 4, 5, 3, 0}) EXPECT_EQ(cursor.line(n), expected(n)) << n;
  }
}

}  // namespace
}  // namespace pindle
