#pragma once
#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace pindle::test {

// A clipboard manager as desktops run one, reduced to the hand-over: it owns CLIPBOARD_MANAGER
// on the display and, asked to SAVE_TARGETS, fetches the clipboard's text from the asking
// program before it confirms. Runs on its own thread and X connection.
class FakeClipboardManager {
 public:
  explicit FakeClipboardManager(const std::string& display);
  ~FakeClipboardManager();
  bool running() const { return running_; }
  // The text it saved, empty until a hand-over happened.
  std::string saved();

 private:
  void serve();
  std::atomic<bool> running_ = false, stop_ = false;
  void* connection_ = nullptr;
  std::thread thread_;
  std::mutex mutex_;
  std::string saved_;
};

}  // namespace pindle::test
