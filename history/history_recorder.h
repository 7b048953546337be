#pragma once
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "history/history_store.h"

namespace pindle {

// What one pass of a generation produced.
struct HistoryPass {
  Text plugin;
  Text longUrl;
  Text result;
  Text failure;    // why no link came out (generate/failure_reason.h); empty for a link
  Text serviceId;  // the service's own id of the link (Response.Id), when it gave one
};

// Records the passes of one batch without slowing it: passes wait in memory and a writer thread
// of the recorder's own puts them in the file, one transaction for what came in since its last
// (ten a second, or as soon as a few hundred wait), while the batch goes on; flush() writes the
// rest, which stays small. A file that cannot
// be written (locked, damaged) never stops the batch: the passes are kept for the final attempt,
// and failed()/failure() tell the batch what to report. Safe to call from several threads.
class HistoryRecorder {
 public:
  // Records into `store` when `enabled`; nothing at all otherwise.
  HistoryRecorder(HistoryStore store, bool enabled);
  ~HistoryRecorder();  // the final attempt
  HistoryRecorder(const HistoryRecorder&) = delete;
  HistoryRecorder& operator=(const HistoryRecorder&) = delete;

  void record(const HistoryPass& pass);
  // Writes what waits, after what the writer has in hand; false when the file could not take it
  // (the passes then stay waiting).
  bool flush();
  bool failed();
  Text failure();

 private:
  void writeInBackground();
  bool flushLocked();

  HistoryStore store_;
  HistoryAppender appender_;  // one open file for the batch's writes
  bool enabled_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<HistoryEntry> waiting_;
  bool writing_ = false;  // the writer has taken passes out of waiting_ and is writing them
  bool ending_ = false;
  Text failure_;
  std::thread writer_;  // started with the first pass
};

}  // namespace pindle
