#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "config/app_paths.h"
#include "history/day_clicks.h"
#include "platform/types.h"

namespace pindle {

// Where a link stands at its service, as far as the history knows.
enum class LinkState {
  Made,     // made by a pass
  Found,    // listed by the service and added from there (it was not made here)
  Deleted,  // deleted at the service
};
// "已删除", "服务端" or the empty text.
Text LinkStateText(LinkState state);

// One pass of a generation as the history keeps it.
struct HistoryEntry {
  std::int64_t id = 0;        // given by the store
  std::int64_t unixTime = 0;  // seconds
  Text plugin;
  Text longUrl;
  Text result;                         // what the pass produced: the short link, or the service's text
  Text failure;                        // why the pass gave no link; empty when it gave one
  Text serviceId;                      // the service's own id of the link, kept from its answer
  std::optional<std::int64_t> clicks;  // the last count fetched; none when never
  std::int64_t clicksTime = 0;         // when it was fetched (seconds)
  LinkState state = LinkState::Made;
};

// history.sqlite beside the settings file of `paths`; empty when that is not set.
Text HistoryFile(const AppPaths& paths);

// The history file, SQLite in WAL mode so that a reader never blocks a batch writing to it.
// Every call opens the file and closes it again; failures come back as false with the reason
// in `error` (a locked or damaged file is never replaced or repaired here).
class HistoryStore {
 public:
  explicit HistoryStore(Text file) : file_(std::move(file)) {}
  const Text& file() const { return file_; }

  // All entries in one transaction.
  bool append(const std::vector<HistoryEntry>& entries, Text* error = nullptr) const;
  // Newest first; `search` (empty: everything) matches long URL, result and plug-in name,
  // ASCII letters without regard to case; `limit` 0 means no limit.
  std::vector<HistoryEntry> find(const Text& search, int limit, Text* error = nullptr) const;
  bool remove(const std::vector<std::int64_t>& ids, Text* error = nullptr) const;
  // The last `limit` entries of each named plug-in (its name exactly), newest first; a name
  // without entries has none in the map.
  // The newest entry whose result is `link` exactly; none when the history lacks it.
  std::optional<HistoryEntry> findLink(const Text& link, Text* error = nullptr) const;
  // findLink of each link through one open file; the links the history lacks are not in the map.
  std::map<Text, HistoryEntry> findLinks(const std::vector<Text>& links, Text* error = nullptr) const;
  // The click count of every entry whose result is the link, fetched at `unixTime`.
  bool setClicks(const std::vector<std::pair<Text, std::int64_t>>& counts, std::int64_t unixTime,
                 Text* error = nullptr) const;
  // Each link's clicks by day as the service last gave them, in place of the series kept before;
  // kept beside the entries until no entry has the link.
  bool setClickSeries(const std::vector<std::pair<Text, std::vector<DayClicks>>>& series, Text* error = nullptr) const;
  // The kept series of each link, oldest day first; the links without one are not in the map.
  std::map<Text, std::vector<DayClicks>> clickSeries(const std::vector<Text>& links, Text* error = nullptr) const;
  // Marks the entries of the link deleted at the service (they stay in the history).
  bool markDeleted(const Text& link, Text* error = nullptr) const;
  std::map<Text, std::vector<HistoryEntry>> lastOfEach(const std::vector<Text>& plugins, int limit,
                                                       Text* error = nullptr) const;

 private:
  Text file_;
};

// Appends batch after batch through one open file, so a long batch's writes cost no reopening
// and no checkpoint each (closing the file's last connection copies its log back into it). Used
// by one thread at a time; after a failure the file is closed and the next append opens it again.
class HistoryAppender {
 public:
  explicit HistoryAppender(Text file);
  ~HistoryAppender();
  HistoryAppender(const HistoryAppender&) = delete;
  HistoryAppender& operator=(const HistoryAppender&) = delete;

  // All entries in one transaction.
  bool append(const std::vector<HistoryEntry>& entries, Text* error = nullptr);

 private:
  struct Connection;
  Text file_;
  std::unique_ptr<Connection> open_;
};

// The links plug-ins gave before, asked line after line of a batch through one open file. Used
// by one thread at a time.
class HistoryLinks {
 public:
  explicit HistoryLinks(Text file);
  ~HistoryLinks();
  HistoryLinks(const HistoryLinks&) = delete;
  HistoryLinks& operator=(const HistoryLinks&) = delete;
  // The newest link `plugin` (by name) gave for exactly `longUrl`; none when it gave none, or
  // when the file cannot be read (the line is then sent as usual).
  std::optional<Text> find(const Text& plugin, const Text& longUrl);

 private:
  struct Connection;
  Text file_;
  std::unique_ptr<Connection> open_;
  bool tried_ = false;
};

// "YYYY-MM-DD HH:MM:SS" in local time.
Text FormatHistoryTime(std::int64_t unixTime);

}  // namespace pindle
