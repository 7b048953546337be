#pragma once
#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace pindle::test {

// What a loopback server's handlers note about the requests they answer. cpp-httplib runs the
// handlers on a pool of threads, several at once, while the test reads: every entry goes in and
// out under one lock, and readers get copies.
template <typename Entry = std::string>
class RequestLog {
 public:
  // The entry's number, from 1 in order of arrival.
  size_t add(Entry entry) {
    std::lock_guard lock(mutex_);
    entries_.push_back(std::move(entry));
    return entries_.size();
  }
  // Changes the entry `number` (as add() gave it) in place; nothing when it is gone.
  template <typename Change>
  void amend(size_t number, Change change) {
    std::lock_guard lock(mutex_);
    if (number >= 1 && number <= entries_.size()) change(entries_[number - 1]);
  }
  std::vector<Entry> entries() const {
    std::lock_guard lock(mutex_);
    return entries_;
  }
  size_t size() const {
    std::lock_guard lock(mutex_);
    return entries_.size();
  }
  bool empty() const { return size() == 0; }
  // The latest entry, or an empty one when none came.
  Entry last() const {
    std::lock_guard lock(mutex_);
    return entries_.empty() ? Entry{} : entries_.back();
  }
  void clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
  }

 private:
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
};

}  // namespace pindle::test
