#include "history/history_recorder.h"

#include <ctime>

#include "config/settings.h"

namespace pindle {
namespace {
constexpr std::chrono::seconds kWriteEvery{1};
}

HistoryRecorder::HistoryRecorder(HistoryStore store, bool enabled)
    : store_(std::move(store)),
      enabled_(enabled && !store_.file().empty()),
      lastWrite_(std::chrono::steady_clock::now()) {}

HistoryRecorder::~HistoryRecorder() { flush(); }

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
  // After a failure only the final attempt tries again, so a locked file costs the batch one wait.
  if (failure_.empty() && std::chrono::steady_clock::now() - lastWrite_ >= kWriteEvery) flushLocked();
}

bool HistoryRecorder::flush() {
  std::lock_guard lock(mutex_);
  return flushLocked();
}

bool HistoryRecorder::flushLocked() {
  lastWrite_ = std::chrono::steady_clock::now();
  if (waiting_.empty()) return failure_.empty();
  Text error;
  if (!store_.append(waiting_, &error)) {
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
