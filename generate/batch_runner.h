#pragma once
#include <atomic>
#include <mutex>
#include <vector>

#include "generate/generation_job.h"
#include "platform/types.h"

namespace pindle {

class MultiTransfer;

// A job's batch of passes with several requests in flight on the calling thread. Lines are taken
// from the job's source only as they start, and results go out in line order as soon as they
// can, so memory holds the lines in flight and those waiting for an earlier one, never the whole
// input. Each pass reads the plug-in file when it starts (PluginFileCache), so an edit during a
// batch applies to the lines not yet started; answers may come in any order. An answer 429,
// or 503 with Retry-After, makes the batch wait what the service asks (without Retry-After 1 s,
// doubling), drop to one request at a time for that host, and send the line again, up to 5
// times; a connection that fails before any answer is tried once more. A plug-in whose service
// asks for more than 120 s is sent nothing more in this batch: its lines end as
// LineOutcome::Refused at once (another plug-in on the same host is still asked). A line that still has no link goes to
// the fallbacks in turn (a service that refused the batch passes it on at once). Waits are measured on the job's clock;
// each line's answer is capped at GenerationJob::lineAnswerCap.
class BatchRunner {
 public:
  explicit BatchRunner(GenerationJob job);
  ~BatchRunner();
  // Runs until every line has its result or the batch is stopped; the number of results given out.
  int run();
  // Stops a running batch at once: requests in flight are abandoned. Safe from any thread.
  void stop();
  bool stopped() const { return stop_; }

 private:
  struct Loop;
  GenerationJob job_;
  std::atomic<bool> stop_{false};
  std::mutex wakeMutex_;
  MultiTransfer* transfer_ = nullptr;  // while run() runs
};

}  // namespace pindle
