#include "app/cli/input_lines.h"

#include <gtest/gtest.h>

#include <sstream>

#include "generate/line_cursor.h"

namespace pindle::cli {
namespace {

// Read a line at a time, standard input gives the lines the whole text would split into; the
// arguments are the lines when there are any, and their count is known before.
TEST(InputLines, GivesWhatTheCursorGives) {
  for (const Text text : {"", "a", "a\n", "a\r\n", "u1\r\nu2\r\n", "u1\n\nu2", "\nu1", "a\n\n", "\n", "a\rb\r\n\r"}) {
    std::vector<Text> lines;
    LineCursor cursor(text);
    for (int n = 1; n <= LineCount(text); ++n) lines.push_back(cursor.line(n));
    std::istringstream in(text);
    InputLines input({}, in);
    EXPECT_EQ(input.count(), std::nullopt) << text;
    EXPECT_EQ(input.lookAhead(2), std::min<size_t>(2, lines.size())) << text;
    std::vector<Text> got;
    while (input.ready()) {
      const std::optional<Text> line = input.next();
      if (!line) break;
      got.push_back(*line);
    }
    EXPECT_EQ(got, lines) << text;
    EXPECT_TRUE(input.atEnd()) << text;
  }
  std::istringstream unread("never read\n");
  InputLines arguments({"https://a", "", "https://b"}, unread);
  EXPECT_EQ(arguments.count(), 3u);
  EXPECT_EQ(arguments.next(), "https://a");
  EXPECT_EQ(arguments.next(), "");
  EXPECT_EQ(arguments.next(), "https://b");
  EXPECT_EQ(arguments.next(), std::nullopt);
  EXPECT_EQ(unread.tellg(), 0);
}

}  // namespace
}  // namespace pindle::cli
