#include <gtest/gtest.h>

#include "history/history_store.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

HistoryEntry Pass(Text plugin, Text longUrl, Text result, Text failure = "") {
  HistoryEntry e;
  e.unixTime = 100;
  e.plugin = std::move(plugin);
  e.longUrl = std::move(longUrl);
  e.result = std::move(result);
  e.failure = std::move(failure);
  return e;
}

TEST(HistoryLinks, TheNewestLinkOfThatPluginForThatUrl) {
  test::TempDir dir;
  const HistoryStore store(dir.file("history.sqlite"));
  ASSERT_TRUE(store.append(
      {Pass("A", "http://127.0.0.1/1", "http://s/old"), Pass("A", "http://127.0.0.1/1", "http://s/new"),
       Pass("A", "http://127.0.0.1/1", "数据错误！", "服务返回：数据错误！"),
       Pass("B", "http://127.0.0.1/2", "http://s/b"), Pass("A", "http://127.0.0.1/3", "", "无法连接服务器")}));
  HistoryLinks links(store.file());
  const struct {
    Text plugin, longUrl;
    std::optional<Text> wanted;
  } cases[] = {
      {"A", "http://127.0.0.1/1", "http://s/new"},  // a later failure does not hide the link
      {"A", "http://127.0.0.1/2", std::nullopt},    // another plug-in's link
      {"B", "http://127.0.0.1/2", "http://s/b"},   {"A", "http://127.0.0.1/3", std::nullopt},  // only failures
      {"A", "http://127.0.0.1/1/", std::nullopt},                                              // exactly that URL
      {"a", "http://127.0.0.1/1", std::nullopt},  // the plug-in's name exactly
  };
  for (const auto& c : cases) EXPECT_EQ(links.find(c.plugin, c.longUrl), c.wanted) << c.plugin << " " << c.longUrl;
  // A file that cannot be opened reuses nothing, and says nothing.
  HistoryLinks nowhere(dir.file("no/such/dir/history.sqlite"));
  EXPECT_EQ(nowhere.find("A", "http://127.0.0.1/1"), std::nullopt);
}

}  // namespace
}  // namespace pindle
