#include "history/history_recorder.h"

#include <ctime>
#include <iterator>

namespace pindle {
namespace {
constexpr std::chrono::milliseconds kWriteEvery{100};
// A fast batch wakes the writer sooner, so that what is left for the end of the batch, which
// waits for it, stays small.
constexpr size_t kWriteAtPasses = 256;
}  // namespace

HistoryRecorder::HistoryRecorder(HistoryStore store, bool enabled)
    : store_(std::move(store)), appender_(store_.file()), enabled_(enabled && !store_.file().empty()) {}

HistoryRecorder::~HistoryRecorder() {
  if (writer_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      ending_ = true;
    }
    changed_.notify_all();
    writer_.join();
  }
  flush();
}

void HistoryRecorder::record(const HistoryPass& pass) {
  if (!enabled_) return;
  HistoryEntry entry;
  entry.unixTime = static_cast<std::int64_t>(std::time(nullptr));
  entry.plugin = pass.plugin;
  entry.longUrl = pass.longUrl;
  entry.result = pass.result;
  entry.failure = pass.failure;
  entry.serviceId = pass.serviceId;
  std::lock_guard lock(mutex_);
  waiting_.push_back(std::move(entry));
  if (!writer_.joinable())
    writer_ = std::thread([this] { writeInBackground(); });
  else if (waiting_.size() == kWriteAtPasses && !writing_)
    changed_.notify_all();
}

void HistoryRecorder::writeInBackground() {
  std::unique_lock lock(mutex_);
  while (!ending_) {
    // After a failure only the final attempt tries again, so a locked file is asked once more, not all along.
    changed_.wait_for(lock, kWriteEvery,
                      [this] { return ending_ || (failure_.empty() && waiting_.size() >= kWriteAtPasses); });
    if (ending_ || waiting_.empty() || !failure_.empty()) continue;
    std::vector<HistoryEntry> batch;
    batch.swap(waiting_);
    writing_ = true;
    lock.unlock();
    Text error;
    const bool written = appender_.append(batch, &error);
    lock.lock();
    writing_ = false;
    if (!written) {
      failure_ = error.empty() ? Text("未知错误") : error;
      // Back in front of what came in meanwhile, so the file still gets them in order.
      waiting_.insert(waiting_.begin(), std::make_move_iterator(batch.begin()), std::make_move_iterator(batch.end()));
    }
    changed_.notify_all();
  }
}

bool HistoryRecorder::flush() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !writing_; });
  return flushLocked();
}

bool HistoryRecorder::flushLocked() {
  if (waiting_.empty()) return failure_.empty();
  Text error;
  if (!appender_.append(waiting_, &error)) {
    failure_ = error.empty() ? Text("未知错误") : error;
    return false;
  }
  waiting_.clear();
  failure_.clear();
  return true;
}

bool HistoryRecorder::failed() {
  std::lock_guard lock(mutex_);
  return !failure_.empty();
}

Text HistoryRecorder::failure() {
  std::lock_guard lock(mutex_);
  return failure_;
}

}  // namespace pindle
