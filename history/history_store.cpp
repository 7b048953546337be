#include "history/history_store.h"

#include <sqlite3.h>

#include <ctime>
#include <iterator>
#include <memory>
#include <string>

#include "config/app_paths.h"
#include "text/local_time.h"

namespace pindle {
namespace {

// Short: a batch must not wait long for a file another program holds; the rows wait instead.
constexpr int kBusyTimeoutMs = 200;

struct Closer {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Database = std::unique_ptr<sqlite3, Closer>;
using Statement = std::unique_ptr<sqlite3_stmt, Closer>;

bool Fail(sqlite3* db, Text* error) {
  if (error) *error = db ? sqlite3_errmsg(db) : "无法打开历史文件";
  return false;
}

// The columns later versions added, in order; an older file gets them the first time it is
// opened, its rows reading as never counted and made here. PRAGMA user_version counts them.
constexpr const char* kAddedColumns[] = {
    "ALTER TABLE history ADD COLUMN service_id TEXT NOT NULL DEFAULT ''",
    "ALTER TABLE history ADD COLUMN clicks INTEGER",
    "ALTER TABLE history ADD COLUMN clicks_at INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE history ADD COLUMN state INTEGER NOT NULL DEFAULT 0",
};
constexpr int kSchemaVersion = static_cast<int>(std::size(kAddedColumns));

int UserVersion(sqlite3* db) {
  sqlite3_stmt* raw = nullptr;
  int version = -1;
  if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &raw, nullptr) == SQLITE_OK && sqlite3_step(raw) == SQLITE_ROW)
    version = sqlite3_column_int(raw, 0);
  sqlite3_finalize(raw);
  return version;
}

bool Migrate(sqlite3* db) {
  const int version = UserVersion(db);
  if (version < 0) return false;
  if (version >= kSchemaVersion) return true;
  if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return false;
  // Another program may have migrated while this one waited for the lock.
  bool ok = true;
  for (int v = UserVersion(db); ok && v >= 0 && v < kSchemaVersion; ++v)
    ok = sqlite3_exec(db, kAddedColumns[v], nullptr, nullptr, nullptr) == SQLITE_OK;
  ok = ok && sqlite3_exec(db, ("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str(), nullptr, nullptr,
                          nullptr) == SQLITE_OK;
  sqlite3_exec(db, ok ? "COMMIT" : "ROLLBACK", nullptr, nullptr, nullptr);
  return ok;
}

Database Open(const Text& file, Text* error) {
  if (file.empty()) {
    if (error) *error = "没有历史文件的位置";
    return nullptr;
  }
  sqlite3* raw = nullptr;
  // No connection is ever used by two threads at once (the recorder hands its one over under its
  // own lock), so SQLite's per-call locking of the connection is only cost.
  const int rc =
      sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
  Database db(raw);
  if (rc != SQLITE_OK) {
    Fail(raw, error);
    return nullptr;
  }
  sqlite3_busy_timeout(raw, kBusyTimeoutMs);
  const char* setup =
      "PRAGMA journal_mode=WAL;"
      // In WAL mode this still never corrupts the file; a power cut may cost the last batch.
      "PRAGMA synchronous=NORMAL;"
      "CREATE TABLE IF NOT EXISTS history(id INTEGER PRIMARY KEY, at INTEGER NOT NULL, plugin TEXT NOT NULL,"
      " long_url TEXT NOT NULL, result TEXT NOT NULL, failure TEXT NOT NULL);"
      "CREATE INDEX IF NOT EXISTS history_at ON history(at);"
      // The plug-in list asks for each plug-in's last uses.
      "CREATE INDEX IF NOT EXISTS history_plugin ON history(plugin, id);"
      // A batch that reuses links asks for each line's earlier link.
      "CREATE INDEX IF NOT EXISTS history_link ON history(plugin, long_url);"
      // Counting, listing and deleting made links ask for the entries of each link.
      "CREATE INDEX IF NOT EXISTS history_result ON history(result, id);"
      // The last clicks by day fetched for a link, for the chart after a restart. A table of its
      // own: a file from before gets it here, and a program from before leaves it alone.
      "CREATE TABLE IF NOT EXISTS click_days(link TEXT NOT NULL, day TEXT NOT NULL, clicks INTEGER NOT NULL,"
      " PRIMARY KEY(link, day)) WITHOUT ROWID;";
  if (sqlite3_exec(raw, setup, nullptr, nullptr, nullptr) != SQLITE_OK || !Migrate(raw)) {
    Fail(raw, error);
    return nullptr;
  }
  return db;
}

Statement Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* raw = nullptr;
  sqlite3_prepare_v2(db, sql, -1, &raw, nullptr);
  return Statement(raw);
}

void BindText(sqlite3_stmt* statement, int index, const Text& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
}

// For text that outlives the statement's step: SQLite reads it in place instead of copying it.
void BindLastingText(sqlite3_stmt* statement, int index, const Text& text) {
  sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

Text ColumnText(sqlite3_stmt* statement, int column) {
  const auto* bytes = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
  return bytes ? Text(bytes, static_cast<size_t>(sqlite3_column_bytes(statement, column))) : Text();
}

// What every query of entries selects, in the order ReadEntries reads.
#define PINDLE_ENTRY_COLUMNS "id, at, plugin, long_url, result, failure, service_id, clicks, clicks_at, state"

// Steps a query of PINDLE_ENTRY_COLUMNS to its end; false on a failure.
bool ReadEntries(sqlite3_stmt* query, std::vector<HistoryEntry>& entries) {
  int rc;
  while ((rc = sqlite3_step(query)) == SQLITE_ROW) {
    HistoryEntry entry;
    entry.id = sqlite3_column_int64(query, 0);
    entry.unixTime = sqlite3_column_int64(query, 1);
    entry.plugin = ColumnText(query, 2);
    entry.longUrl = ColumnText(query, 3);
    entry.result = ColumnText(query, 4);
    entry.failure = ColumnText(query, 5);
    entry.serviceId = ColumnText(query, 6);
    if (sqlite3_column_type(query, 7) != SQLITE_NULL) entry.clicks = sqlite3_column_int64(query, 7);
    entry.clicksTime = sqlite3_column_int64(query, 8);
    const int state = sqlite3_column_int(query, 9);
    entry.state = state == 1 ? LinkState::Found : state == 2 ? LinkState::Deleted : LinkState::Made;
    entries.push_back(std::move(entry));
  }
  return rc == SQLITE_DONE;
}

// Runs `body` inside one write transaction; rolls back when it fails.
template <typename Body>
bool InTransaction(sqlite3* db, Text* error, Body body) {
  if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK) return Fail(db, error);
  if (!body() || sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) {
    Fail(db, error);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
  }
  return true;
}

// `text` as a LIKE pattern that matches it literally anywhere.
Text ContainsPattern(const Text& text) {
  Text pattern = "%";
  for (const char c : text) {
    if (c == '%' || c == '_' || c == '\\') pattern += '\\';
    pattern += c;
  }
  return pattern + "%";
}

}  // namespace

Text LinkStateText(LinkState state) {
  switch (state) {
    case LinkState::Found:
      return "服务端";
    case LinkState::Deleted:
      return "已删除";
    case LinkState::Made:
      break;
  }
  return {};
}

Text HistoryFile(const AppPaths& paths) {
  const Text& settings = paths.settingsFile;
  const size_t slash = settings.find_last_of('/');
  if (settings.empty() || slash == Text::npos) return {};  // no paths yet: nowhere to keep it
  return settings.substr(0, slash) + "/history.sqlite";
}

bool HistoryStore::append(const std::vector<HistoryEntry>& entries, Text* error) const {
  return HistoryAppender(file_).append(entries, error);
}

std::vector<HistoryEntry> HistoryStore::find(const Text& search, int limit, Text* error) const {
  std::vector<HistoryEntry> entries;
  const Database db = Open(file_, error);
  if (!db) return entries;
  const Statement query =
      Prepare(db.get(), "SELECT " PINDLE_ENTRY_COLUMNS
                        " FROM history"
                        " WHERE ?1 = '' OR long_url LIKE ?2 ESCAPE '\\' OR result LIKE ?2 ESCAPE '\\'"
                        " OR plugin LIKE ?2 ESCAPE '\\' ORDER BY at DESC, id DESC LIMIT ?3");
  if (!query) {
    Fail(db.get(), error);
    return entries;
  }
  BindText(query.get(), 1, search);
  BindText(query.get(), 2, ContainsPattern(search));
  sqlite3_bind_int(query.get(), 3, limit > 0 ? limit : -1);
  if (!ReadEntries(query.get(), entries)) Fail(db.get(), error);
  return entries;
}

std::optional<HistoryEntry> HistoryStore::findLink(const Text& link, Text* error) const {
  const Database db = Open(file_, error);
  if (!db) return std::nullopt;
  const Statement query =
      Prepare(db.get(), "SELECT " PINDLE_ENTRY_COLUMNS " FROM history WHERE result = ?1 ORDER BY id DESC LIMIT 1");
  if (!query) {
    Fail(db.get(), error);
    return std::nullopt;
  }
  BindText(query.get(), 1, link);
  std::vector<HistoryEntry> entries;
  if (!ReadEntries(query.get(), entries)) Fail(db.get(), error);
  if (entries.empty()) return std::nullopt;
  return entries.front();
}

std::map<Text, HistoryEntry> HistoryStore::findLinks(const std::vector<Text>& links, Text* error) const {
  std::map<Text, HistoryEntry> found;
  if (links.empty()) return found;
  const Database db = Open(file_, error);
  if (!db) return found;
  const Statement query =
      Prepare(db.get(), "SELECT " PINDLE_ENTRY_COLUMNS " FROM history WHERE result = ?1 ORDER BY id DESC LIMIT 1");
  if (!query) {
    Fail(db.get(), error);
    return found;
  }
  for (const Text& link : links) {
    if (found.count(link)) continue;
    sqlite3_reset(query.get());
    BindText(query.get(), 1, link);
    std::vector<HistoryEntry> entries;
    if (!ReadEntries(query.get(), entries)) {
      Fail(db.get(), error);
      break;
    }
    if (!entries.empty()) found.emplace(link, std::move(entries.front()));
  }
  return found;
}

bool HistoryStore::setClicks(const std::vector<std::pair<Text, std::int64_t>>& counts, std::int64_t unixTime,
                             Text* error) const {
  if (counts.empty()) return true;
  const Database db = Open(file_, error);
  if (!db) return false;
  return InTransaction(db.get(), error, [&] {
    const Statement update = Prepare(db.get(), "UPDATE history SET clicks = ?2, clicks_at = ?3 WHERE result = ?1");
    if (!update) return false;
    for (const auto& [link, clicks] : counts) {
      sqlite3_reset(update.get());
      BindText(update.get(), 1, link);
      sqlite3_bind_int64(update.get(), 2, clicks);
      sqlite3_bind_int64(update.get(), 3, unixTime);
      if (sqlite3_step(update.get()) != SQLITE_DONE) return false;
    }
    return true;
  });
}

bool HistoryStore::setClickSeries(const std::vector<std::pair<Text, std::vector<DayClicks>>>& series,
                                  Text* error) const {
  if (series.empty()) return true;
  const Database db = Open(file_, error);
  if (!db) return false;
  return InTransaction(db.get(), error, [&] {
    const Statement erase = Prepare(db.get(), "DELETE FROM click_days WHERE link = ?1");
    const Statement insert =
        Prepare(db.get(), "INSERT OR REPLACE INTO click_days(link, day, clicks) VALUES(?1, ?2, ?3)");
    if (!erase || !insert) return false;
    for (const auto& [link, days] : series) {
      sqlite3_reset(erase.get());
      BindText(erase.get(), 1, link);
      if (sqlite3_step(erase.get()) != SQLITE_DONE) return false;
      for (const DayClicks& day : days) {
        sqlite3_reset(insert.get());
        BindText(insert.get(), 1, link);
        BindText(insert.get(), 2, day.day);
        sqlite3_bind_int64(insert.get(), 3, day.clicks);
        if (sqlite3_step(insert.get()) != SQLITE_DONE) return false;
      }
    }
    return true;
  });
}

std::map<Text, std::vector<DayClicks>> HistoryStore::clickSeries(const std::vector<Text>& links, Text* error) const {
  std::map<Text, std::vector<DayClicks>> found;
  if (links.empty()) return found;
  const Database db = Open(file_, error);
  if (!db) return found;
  const Statement query = Prepare(db.get(), "SELECT day, clicks FROM click_days WHERE link = ?1 ORDER BY day");
  if (!query) {
    Fail(db.get(), error);
    return found;
  }
  for (const Text& link : links) {
    sqlite3_reset(query.get());
    BindText(query.get(), 1, link);
    std::vector<DayClicks> days;
    int rc;
    while ((rc = sqlite3_step(query.get())) == SQLITE_ROW)
      days.push_back({ColumnText(query.get(), 0), sqlite3_column_int64(query.get(), 1)});
    if (rc != SQLITE_DONE) {
      Fail(db.get(), error);
      break;
    }
    if (!days.empty()) found.emplace(link, std::move(days));
  }
  return found;
}

bool HistoryStore::markDeleted(const Text& link, Text* error) const {
  const Database db = Open(file_, error);
  if (!db) return false;
  return InTransaction(db.get(), error, [&] {
    const Statement update = Prepare(db.get(), "UPDATE history SET state = 2 WHERE result = ?1");
    if (!update) return false;
    BindText(update.get(), 1, link);
    return sqlite3_step(update.get()) == SQLITE_DONE;
  });
}

std::map<Text, std::vector<HistoryEntry>> HistoryStore::lastOfEach(const std::vector<Text>& plugins, int limit,
                                                                   Text* error) const {
  std::map<Text, std::vector<HistoryEntry>> found;
  if (plugins.empty()) return found;
  const Database db = Open(file_, error);
  if (!db) return found;
  const Statement query = Prepare(db.get(), "SELECT " PINDLE_ENTRY_COLUMNS
                                            " FROM history"
                                            " WHERE plugin = ?1 ORDER BY id DESC LIMIT ?2");
  if (!query) {
    Fail(db.get(), error);
    return found;
  }
  for (const Text& plugin : plugins) {
    if (found.count(plugin)) continue;
    sqlite3_reset(query.get());
    BindText(query.get(), 1, plugin);
    sqlite3_bind_int(query.get(), 2, limit);
    std::vector<HistoryEntry> entries;
    if (!ReadEntries(query.get(), entries)) {
      Fail(db.get(), error);
      break;
    }
    if (!entries.empty()) found.emplace(plugin, std::move(entries));
  }
  return found;
}

bool HistoryStore::remove(const std::vector<std::int64_t>& ids, Text* error) const {
  if (ids.empty()) return true;
  const Database db = Open(file_, error);
  if (!db) return false;
  return InTransaction(db.get(), error, [&] {
    const Statement erase = Prepare(db.get(), "DELETE FROM history WHERE id = ?1");
    if (!erase) return false;
    for (const std::int64_t id : ids) {
      sqlite3_reset(erase.get());
      sqlite3_bind_int64(erase.get(), 1, id);
      if (sqlite3_step(erase.get()) != SQLITE_DONE) return false;
    }
    // A series goes with the last entry of its link.
    return sqlite3_exec(db.get(),
                        "DELETE FROM click_days WHERE NOT EXISTS"
                        " (SELECT 1 FROM history WHERE history.result = click_days.link)",
                        nullptr, nullptr, nullptr) == SQLITE_OK;
  });
}

struct HistoryAppender::Connection {
  Database db;
  Statement insert;
};

HistoryAppender::HistoryAppender(Text file) : file_(std::move(file)) {}
HistoryAppender::~HistoryAppender() = default;

bool HistoryAppender::append(const std::vector<HistoryEntry>& entries, Text* error) {
  if (entries.empty()) return true;
  if (!open_) {
    Database db = Open(file_, error);
    if (!db) return false;
    Statement insert =
        Prepare(db.get(),
                "INSERT INTO history(at, plugin, long_url, result, failure, service_id, clicks, clicks_at, state)"
                " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    if (!insert) return Fail(db.get(), error);
    open_ = std::make_unique<Connection>(Connection{std::move(db), std::move(insert)});
  }
  sqlite3_stmt* const insert = open_->insert.get();
  const bool written = InTransaction(open_->db.get(), error, [&] {
    for (const HistoryEntry& entry : entries) {
      sqlite3_reset(insert);
      sqlite3_bind_int64(insert, 1, entry.unixTime);
      BindLastingText(insert, 2, entry.plugin);
      BindLastingText(insert, 3, entry.longUrl);
      BindLastingText(insert, 4, entry.result);
      BindLastingText(insert, 5, entry.failure);
      BindLastingText(insert, 6, entry.serviceId);
      if (entry.clicks)
        sqlite3_bind_int64(insert, 7, *entry.clicks);
      else
        sqlite3_bind_null(insert, 7);
      sqlite3_bind_int64(insert, 8, entry.clicksTime);
      sqlite3_bind_int(insert, 9, static_cast<int>(entry.state));
      if (sqlite3_step(insert) != SQLITE_DONE) return false;
    }
    return true;
  });
  // The texts bound last are the caller's: the statement lets go of them before they go.
  sqlite3_reset(insert);
  sqlite3_clear_bindings(insert);
  if (!written) open_.reset();  // a file held by another program, or damaged, is opened anew next time
  return written;
}

struct HistoryLinks::Connection {
  Database db;
  Statement query;
};

HistoryLinks::HistoryLinks(Text file) : file_(std::move(file)) {}
HistoryLinks::~HistoryLinks() = default;

std::optional<Text> HistoryLinks::find(const Text& plugin, const Text& longUrl) {
  if (!tried_) {
    tried_ = true;  // a file that cannot be opened is not tried again for every line
    Database db = Open(file_, nullptr);
    if (!db) return std::nullopt;
    Statement query = Prepare(db.get(),
                              "SELECT result FROM history WHERE plugin = ?1 AND long_url = ?2 AND failure = ''"
                              " AND result <> '' ORDER BY id DESC LIMIT 1");
    if (!query) return std::nullopt;
    open_ = std::make_unique<Connection>(Connection{std::move(db), std::move(query)});
  }
  if (!open_) return std::nullopt;
  sqlite3_stmt* query = open_->query.get();
  sqlite3_reset(query);
  BindText(query, 1, plugin);
  BindText(query, 2, longUrl);
  if (sqlite3_step(query) != SQLITE_ROW) return std::nullopt;
  return ColumnText(query, 0);
}

Text FormatHistoryTime(std::int64_t unixTime) { return LocalTimeText(unixTime, "%Y-%m-%d %H:%M:%S"); }

}  // namespace pindle
