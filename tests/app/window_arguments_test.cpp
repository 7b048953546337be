#include "app/window_arguments.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

TEST(WindowArguments, AddressesAndFilesFillTheBoxOthersAreRefused) {
  test::TempDir dir;
  dir.write("urls.txt", "https://c.example/1\r\nhttps://c.example/2\r\n");
  dir.write("名 单.txt", "https://d.example/");
  const Text file = dir.file("urls.txt");
  const Text fileUrl = "file://" + dir.path() + "/%E5%90%8D%20%E5%8D%95.txt";
  struct Case {
    const char* label;
    std::vector<Text> args;
    std::optional<Text> refused;
    Text box;  // what the box holds afterwards; it starts as "kept"
  } cases[] = {
      {"nothing", {}, std::nullopt, "kept"},
      {"addresses, one per line",
       {"https://a.example/1", "HTTP://b.example/2"},
       std::nullopt,
       "https://a.example/1\nHTTP://b.example/2"},
      {"a file's lines",
       {file, "https://a.example/"},
       std::nullopt,
       "https://c.example/1\nhttps://c.example/2\nhttps://a.example/"},
      {"a file:// address with escapes", {fileUrl}, std::nullopt, "https://d.example/"},
      {"toolkit options are skipped",
       {"-platform", "offscreen", "--style=fusion", "-reverse", "https://a.example/"},
       std::nullopt,
       "https://a.example/"},
      {"a mistyped command", {"shortn", "https://a.example/"}, "shortn", "https://a.example/"},
      {"a later word", {"https://a.example/", "plugins"}, "plugins", "https://a.example/"},
      {"an unknown option", {"--verbose"}, "--verbose", "kept"},
      {"a missing file", {dir.file("missing.txt")}, dir.file("missing.txt"), "kept"},
      {"a folder", {dir.path()}, dir.path(), "kept"},
      {"a bare scheme", {"https://"}, "https://", "kept"},
      {"no scheme", {"example.com/a"}, "example.com/a", "kept"},
      {"a file on another host", {"file://host/etc/hosts"}, "file://host/etc/hosts", "kept"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    EXPECT_EQ(UnusableWindowArgument(c.args), c.refused);
    EXPECT_EQ(LongUrlBoxText(c.args).value_or("kept"), c.box);
  }
}

}  // namespace
}  // namespace pindle
