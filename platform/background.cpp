#include "platform/background.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace pindle {
namespace {
std::mutex mutex;
std::condition_variable idle;
int running = 0;
}  // namespace

void StartDetached(std::function<void()> task) {
  {
    std::lock_guard lock(mutex);
    ++running;
  }
  std::thread([task = std::move(task)] {
    task();
    std::lock_guard lock(mutex);
    if (--running == 0) idle.notify_all();
  }).detach();
}

bool WaitForDetached(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex);
  return idle.wait_for(lock, timeout, [] { return running == 0; });
}

}  // namespace pindle
