#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

namespace pindle {

// Waits until no thread started by any Workers runs any more; false on time-out.
bool WaitForDetached(std::chrono::milliseconds timeout);

// Threads with an owner: each task gets the stop token of its thread, and the owner ends them
// explicitly, so nothing a task holds a reference to can go first. The destructor asks every
// worker to stop and joins it; an owner whose workers may call back into its own thread calls
// finish() first.
class Workers {
 public:
  Workers() = default;
  Workers(const Workers&) = delete;
  Workers& operator=(const Workers&) = delete;
  ~Workers();

  void start(std::function<void(std::stop_token)> task);
  // Asks every worker to stop and waits up to `wait` for them, calling `waitStep` in between (the
  // owner's thread keeps serving the calls its workers wait for). The ones still running are
  // abandoned: they are left to the process, which must end next. How many were abandoned.
  size_t finish(std::chrono::milliseconds wait, const std::function<void()>& waitStep);
  // How many workers run now.
  size_t running() const;

 private:
  struct Worker {
    std::jthread thread;
    std::shared_ptr<std::atomic<bool>> done;
  };
  void reapEnded();

  mutable std::mutex mutex_;
  std::list<Worker> workers_;
};

}  // namespace pindle
