#include "platform/background.h"

#include <atomic>
#include <condition_variable>

namespace pindle {
namespace {
std::mutex mutex;
std::condition_variable idle;
int running = 0;

void Started() {
  std::lock_guard lock(mutex);
  ++running;
}

void Ended() {
  std::lock_guard lock(mutex);
  if (--running == 0) idle.notify_all();
}
}  // namespace

bool WaitForDetached(std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex);
  return idle.wait_for(lock, timeout, [] { return running == 0; });
}

Workers::~Workers() {
  std::list<Worker> all;
  {
    std::lock_guard lock(mutex_);
    all.swap(workers_);
  }
  for (Worker& worker : all) worker.thread.request_stop();
  // Each jthread joins as the list goes.
}

void Workers::start(std::function<void(std::stop_token)> task) {
  reapEnded();
  auto done = std::make_shared<std::atomic<bool>>(false);
  Started();
  std::lock_guard lock(mutex_);
  workers_.push_back({std::jthread([task = std::move(task), done](std::stop_token stop) {
                        task(stop);
                        done->store(true);
                        Ended();
                      }),
                      done});
}

size_t Workers::finish(std::chrono::milliseconds wait, const std::function<void()>& waitStep) {
  {
    std::lock_guard lock(mutex_);
    for (Worker& worker : workers_) worker.thread.request_stop();
  }
  const auto until = std::chrono::steady_clock::now() + wait;
  while (running() > 0 && std::chrono::steady_clock::now() < until)
    if (waitStep)
      waitStep();
    else
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
  reapEnded();
  std::lock_guard lock(mutex_);
  const size_t abandoned = workers_.size();
  for (Worker& worker : workers_) worker.thread.detach();
  workers_.clear();
  return abandoned;
}

size_t Workers::running() const {
  std::lock_guard lock(mutex_);
  size_t count = 0;
  for (const Worker& worker : workers_)
    if (!worker.done->load()) ++count;
  return count;
}

void Workers::reapEnded() {
  std::list<Worker> ended;
  {
    std::lock_guard lock(mutex_);
    for (auto it = workers_.begin(); it != workers_.end();)
      if (it->done->load()) {
        auto next = std::next(it);
        ended.splice(ended.end(), workers_, it);
        it = next;
      } else {
        ++it;
      }
  }
  // Joined outside the lock: each has ended its task and only returns.
}

}  // namespace pindle
