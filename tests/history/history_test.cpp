#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>

#include "config/app_paths.h"
#include "config/settings.h"
#include "history/history_csv.h"
#include "history/history_recorder.h"
#include "history/history_store.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

HistoryEntry Entry(std::int64_t at, Text plugin, Text longUrl, Text result, Text failure = "") {
  HistoryEntry e;
  e.unixTime = at;
  e.plugin = std::move(plugin);
  e.longUrl = std::move(longUrl);
  e.result = std::move(result);
  e.failure = std::move(failure);
  return e;
}

std::vector<Text> LongUrls(const std::vector<HistoryEntry>& entries) {
  std::vector<Text> urls;
  for (const auto& e : entries) urls.push_back(e.longUrl);
  return urls;
}

TEST(HistoryStore, SearchesNewestFirstAndDeletes) {
  test::TempDir dir;
  const HistoryStore store(dir.file("history.sqlite"));
  ASSERT_TRUE(store.append({Entry(100, "Is.gd", "https://a.example/中文", "https://is.gd/1"),
                            Entry(300, "JSON短链", "https://b.example/x", "https://t.cn/2"),
                            Entry(200, "Is.gd", "https://c.example/100%_y", "数据错误！", "服务返回：数据错误！")}));
  ASSERT_TRUE(store.append({Entry(300, "Is.gd", "https://d.example/", "https://is.gd/4")}));
  struct Case {
    Text search;
    int limit;
    std::vector<Text> urls;
  } cases[] = {
      {"", 0, {"https://d.example/", "https://b.example/x", "https://c.example/100%_y", "https://a.example/中文"}},
      {"", 2, {"https://d.example/", "https://b.example/x"}},
      {"IS.GD", 0, {"https://d.example/", "https://c.example/100%_y", "https://a.example/中文"}},  // plug-in, any case
      {"t.cn/2", 0, {"https://b.example/x"}},                                                      // short link
      {"中文", 0, {"https://a.example/中文"}},                                                     // long URL
      {"0%_", 0, {"https://c.example/100%_y"}},  // wildcards taken literally
      {"json短", 0, {"https://b.example/x"}},
      {"nowhere", 0, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(LongUrls(store.find(c.search, c.limit)), c.urls) << c.search;
  const auto all = store.find("", 0);
  EXPECT_EQ(all[2].failure, "服务返回：数据错误！");
  ASSERT_TRUE(store.remove({all[0].id, all[3].id}));
  EXPECT_EQ(LongUrls(store.find("", 0)), (std::vector<Text>{"https://b.example/x", "https://c.example/100%_y"}));

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(store.file().c_str(), &db), SQLITE_OK);
  sqlite3_stmt* mode = nullptr;
  sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &mode, nullptr);
  ASSERT_EQ(sqlite3_step(mode), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)), "wal");
  sqlite3_finalize(mode);
  sqlite3_close(db);
}

// A plain RFC 4180 reader, to read the export back.
std::vector<std::vector<Text>> ParseCsv(const Text& csv) {
  std::vector<std::vector<Text>> rows(1, std::vector<Text>(1));
  bool quoted = false;
  for (size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted) {
      if (c == '"' && i + 1 < csv.size() && csv[i + 1] == '"')
        rows.back().back() += csv[++i];
      else if (c == '"')
        quoted = false;
      else
        rows.back().back() += c;
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\r' && i + 1 < csv.size() && csv[i + 1] == '\n') {
      ++i;
      if (i + 1 < csv.size()) rows.emplace_back(1);
    } else {
      rows.back().back() += c;
    }
  }
  return rows;
}

TEST(HistoryCsv, ExportReadsBackCellForCell) {
  const std::vector<HistoryEntry> entries = {
      Entry(0, "Is.gd", "https://a/?q=1,2", "https://is.gd/1"),
      Entry(86400, "引\"号", "https://b/\r\n第二行", "", "服务没有返回短网址"),
      Entry(1, "x", "=HYPERLINK(\"http://evil\")", "-1", "@x"),
  };
  const Text csv = HistoryToCsv(entries);
  ASSERT_EQ(csv.substr(0, 3), "\xEF\xBB\xBF");
  const auto rows = ParseCsv(csv.substr(3));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], (std::vector<Text>{"时间", "接口", "长网址", "短网址", "失败原因"}));
  const std::vector<std::vector<Text>> want = {
      {FormatHistoryTime(0), "Is.gd", "https://a/?q=1,2", "https://is.gd/1", ""},
      {FormatHistoryTime(86400), "引\"号", "https://b/\r\n第二行", "", "服务没有返回短网址"},
      {FormatHistoryTime(1), "x", "'=HYPERLINK(\"http://evil\")", "'-1", "'@x"},  // never a formula
  };
  for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(rows[i + 1], want[i]) << i;
}

TEST(HistoryRecorder, RecordsWithReasonsOrNotAtAll) {
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  EXPECT_EQ(HistoryFile(Paths()), dir.file("history.sqlite"));
  {
    HistoryRecorder on(HistoryStore(HistoryFile(Paths())),
                       RecordHistorySetting());  // on by default, into the file beside Setting.ini
    on.record({"P", "u1", "https://s/1", ""});
    on.record({"P", "u2", "", "服务没有返回短网址"});
    on.record({"P", "u3", "错误", "服务返回：错误"});
    on.record({"P", "u4", "", "连接被拒绝"});
    EXPECT_TRUE(on.flush());
  }
  const auto entries = HistoryStore(HistoryFile(Paths())).find("", 0);
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[3].failure, "");
  EXPECT_EQ(entries[2].failure, "服务没有返回短网址");
  EXPECT_EQ(entries[1].failure, "服务返回：错误");
  EXPECT_EQ(entries[0].failure, "连接被拒绝");

  ASSERT_TRUE(Settings::write(kSoftwareSection, kRecordHistoryKey, kOff));
  {
    HistoryRecorder off(HistoryStore(HistoryFile(Paths())), RecordHistorySetting());
    off.record({"P", "u5", "https://s/5", ""});
    EXPECT_TRUE(off.flush());
  }
  EXPECT_EQ(HistoryStore(HistoryFile(Paths())).find("", 0).size(), 4u);
  const HistoryStore elsewhere(dir.file("other.sqlite"));
  { HistoryRecorder({elsewhere}, false).record({"P", "u", "r", ""}); }
  EXPECT_FALSE(std::ifstream(elsewhere.file()).good()) << "a recorder that is off creates no file";
}

// One open file for batch after batch: each batch is in the file as soon as it is appended (a
// reader sees it while the appender stays open), and texts of a batch gone are never read again.
TEST(HistoryAppender, EachBatchLandsAtOnceThroughOneOpenFile) {
  test::TempDir dir;
  const HistoryStore reader(dir.file("history.sqlite"));
  HistoryAppender appender(reader.file());
  for (int batch = 1; batch <= 3; ++batch) {
    {
      const std::vector<HistoryEntry> rows = {Entry(batch, "P", "u" + std::to_string(batch), "https://s/a"),
                                              Entry(batch, "P", "v" + std::to_string(batch), "https://s/b")};
      ASSERT_TRUE(appender.append(rows));
    }
    EXPECT_EQ(reader.find("", 0).size(), static_cast<size_t>(2 * batch)) << batch;
  }
  EXPECT_TRUE(appender.append({}));
  EXPECT_EQ(reader.find("u3", 0).at(0).longUrl, "u3");
}

// Another process holds the write lock; the passes wait and go in once it lets go.
TEST(HistoryRecorder, LockedOrGarbageFileFailsWithoutLosingTheBatch) {
  test::TempDir dir;
  const HistoryStore store(dir.file("history.sqlite"));
  ASSERT_TRUE(store.append({Entry(1, "P", "old", "https://s/0")}));
  int ready[2], release[2];
  ASSERT_EQ(pipe(ready), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = fork();
  if (child == 0) {
    sqlite3* db = nullptr;
    sqlite3_open(store.file().c_str(), &db);
    const bool locked = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
    char c = locked ? 'y' : 'n';
    (void)!write(ready[1], &c, 1);
    (void)!read(release[0], &c, 1);
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  ASSERT_EQ(c, 'y');
  HistoryRecorder recorder(store, true);
  for (int i = 1; i <= 3; ++i) recorder.record({"P", "u" + std::to_string(i), "https://s/" + std::to_string(i), ""});
  EXPECT_FALSE(recorder.flush());
  EXPECT_TRUE(recorder.failed());
  EXPECT_NE(recorder.failure().find("locked"), Text::npos) << recorder.failure();
  (void)!write(release[1], &c, 1);
  waitpid(child, nullptr, 0);
  EXPECT_TRUE(recorder.flush());
  EXPECT_FALSE(recorder.failed());
  EXPECT_EQ(store.find("", 0).size(), 4u);

  const Text garbage(5000, '\x5a');
  test::TempDir other;
  other.write("history.sqlite", garbage);
  const HistoryStore damaged(other.file("history.sqlite"));
  HistoryRecorder intoGarbage(damaged, true);
  intoGarbage.record({"P", "u", "https://s/1", ""});
  EXPECT_FALSE(intoGarbage.flush());
  EXPECT_NE(intoGarbage.failure().find("not a database"), Text::npos) << intoGarbage.failure();
  Text error;
  EXPECT_TRUE(damaged.find("", 0, &error).empty());
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(other.read("history.sqlite"), garbage) << "a damaged file is left as it was";
}

}  // namespace
}  // namespace pindle

namespace pindle {
namespace {

// A history file as written before the link columns existed: one Kutt row.
bool WriteFileOfBeforeTheLinkColumns(const std::string& file) {
  sqlite3* db = nullptr;
  const bool written =
      sqlite3_open(file.c_str(), &db) == SQLITE_OK &&
      sqlite3_exec(db,
                   "CREATE TABLE history(id INTEGER PRIMARY KEY, at INTEGER NOT NULL, plugin TEXT NOT NULL,"
                   " long_url TEXT NOT NULL, result TEXT NOT NULL, failure TEXT NOT NULL);"
                   "INSERT INTO history(at, plugin, long_url, result, failure)"
                   " VALUES (5, 'Kutt', 'http://127.0.0.1/old', 'http://127.0.0.1/o', '');",
                   nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return written;
}

// A file written before the link columns existed reads on, and then keeps clicks, ids and states.
TEST(HistoryLinks, OldFilesMigrateAndKeepClicksIdsAndStates) {
  test::TempDir dir;
  const std::string file = dir.file("history.sqlite");
  ASSERT_TRUE(WriteFileOfBeforeTheLinkColumns(file));

  const HistoryStore store(file);
  Text error;
  auto rows = store.find("", 0, &error);
  ASSERT_EQ(rows.size(), 1u) << error;
  EXPECT_FALSE(rows[0].clicks.has_value());
  EXPECT_EQ(rows[0].state, LinkState::Made);

  HistoryEntry made{0, 6, "Kutt", "http://127.0.0.1/new", "http://127.0.0.1/n", "", "uuid-1"};
  HistoryEntry found{0, 7, "Kutt", "http://127.0.0.1/far", "http://127.0.0.1/f", "", "uuid-2"};
  found.state = LinkState::Found;
  ASSERT_TRUE(store.append({made, found}, &error)) << error;
  ASSERT_TRUE(store.setClicks({{"http://127.0.0.1/n", 42}, {"http://127.0.0.1/o", 0}}, 100, &error)) << error;
  ASSERT_TRUE(store.markDeleted("http://127.0.0.1/o", &error)) << error;

  struct Case {
    const char* link;
    std::optional<std::int64_t> clicks;
    const char* serviceId;
    LinkState state;
  } cases[] = {
      {"http://127.0.0.1/o", 0, "", LinkState::Deleted},
      {"http://127.0.0.1/n", 42, "uuid-1", LinkState::Made},
      {"http://127.0.0.1/f", std::nullopt, "uuid-2", LinkState::Found},
  };
  for (const Case& c : cases) {
    const std::optional<HistoryEntry> e = store.findLink(c.link, &error);
    ASSERT_TRUE(e) << c.link << error;
    EXPECT_EQ(e->clicks, c.clicks) << c.link;
    EXPECT_EQ(e->clicksTime, c.clicks ? 100 : 0) << c.link;
    EXPECT_EQ(e->serviceId, c.serviceId);
    EXPECT_EQ(e->state, c.state);
  }
  EXPECT_FALSE(store.findLink("http://127.0.0.1/none"));
  // A second opening finds the columns in place.
  EXPECT_EQ(HistoryStore(file).find("", 0).size(), 3u);
}

// The clicks by day outlive the program: kept per link, replaced by the next series fetched, read
// oldest day first, and gone with the link's last entry; a file from before gets the table.
TEST(HistoryLinks, ClickSeriesKeptUntilTheLinksLastEntryGoes) {
  test::TempDir dir;
  const std::string file = dir.file("history.sqlite");
  ASSERT_TRUE(WriteFileOfBeforeTheLinkColumns(file));
  const HistoryStore store(file);
  const Text o = "http://127.0.0.1/o", n = "http://127.0.0.1/n";
  ASSERT_TRUE(store.append({Entry(6, "Kutt", "http://127.0.0.1/a", n), Entry(7, "Kutt", "http://127.0.0.1/b", n)}));
  const auto idsOf = [&](const Text& link) {
    std::vector<std::int64_t> ids;
    for (const HistoryEntry& e : store.find("", 0))
      if (e.result == link) ids.push_back(e.id);
    return ids;
  };
  using Series = std::map<Text, std::vector<DayClicks>>;
  const struct {
    const char* name;
    std::function<bool()> change;
    Series kept;
  } steps[] = {
      {"an old file has none", [] { return true; }, {}},
      {"kept, oldest day first",
       [&] {
         return store.setClickSeries({{o, {{"2026-12-09", 3}, {"2026-12-08", 1}}}});
       },
       {{o, {{"2026-12-08", 1}, {"2026-12-09", 3}}}}},
      {"replaced, not merged",
       [&] {
         return store.setClickSeries({{o, {{"2026-12-10", 0}}}, {n, {{"2026-12-10", 2}}}});
       },
       {{o, {{"2026-12-10", 0}}}, {n, {{"2026-12-10", 2}}}}},
      {"one entry of two removed",
       [&] { return store.remove({idsOf(n).front()}); },
       {{o, {{"2026-12-10", 0}}}, {n, {{"2026-12-10", 2}}}}},
      {"the last entry removed", [&] { return store.remove(idsOf(n)); }, {{o, {{"2026-12-10", 0}}}}},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_TRUE(step.change());
    Text error;
    EXPECT_EQ(store.clickSeries({o, n, "http://127.0.0.1/none"}, &error), step.kept) << error;
    EXPECT_EQ(error, "");
  }
}

}  // namespace
}  // namespace pindle
