#include "app/gui/actions/clipboard_watch_rule.h"

#include <gtest/gtest.h>

namespace pindle {
namespace {

TEST(ClipboardWatchRule, OnlyLongAddressesOfOtherHostsThatPindleDidNotCopy) {
  const Text longUrl = "https://shop.example/item/12345678?ref=abcdefgh";  // 48 characters
  const std::set<Text> hosts{"is.gd", "tinyurl.com", "127.0.0.1:8080"};
  struct Case {
    const char* label;
    Text text, own;
    bool wanted;
  } cases[] = {
      {"a long address", longUrl, "", true},
      {"with a line end, as copied from a page", longUrl + "\r\n", "", true},
      {"shorter than 40", "https://shop.example/item/1", "", false},
      {"exactly 40", "https://shop.example/" + Text(19, 'a'), "", true},
      {"39", "https://shop.example/" + Text(18, 'a'), "", false},
      {"what Pindle copied", longUrl, longUrl, false},
      {"a short link of a plug-in's host", "https://is.gd/" + Text(40, 'x'), "", false},
      {"the service's api host stripped", "https://api.tinyurl.com/" + Text(40, 'x'), "", false},
      {"same host, other port", "http://127.0.0.1:9/" + Text(40, 'x'), "", true},
      {"same host and port", "http://127.0.0.1:8080/" + Text(40, 'x'), "", false},
      {"two addresses", longUrl + "\n" + longUrl, "", false},
      {"words around it", "see " + longUrl, "", false},
      {"not http", "ftp://files.example/" + Text(40, 'x'), "", false},
      {"empty", "", "", false},
  };
  for (const Case& c : cases) EXPECT_EQ(WorthShortening(c.text, c.own, hosts), c.wanted) << c.label << ": " << c.text;
}

}  // namespace
}  // namespace pindle
