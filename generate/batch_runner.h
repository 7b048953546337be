#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/types.h"

namespace pindle {

class MultiTransfer;

// The plug-in a pass goes through: its name (for the row) and its file (read when the pass starts).
struct BatchPlugin {
  Text name;
  Text file;
};

// One plug-in's go at a line.
struct BatchAttempt {
  BatchPlugin plugin;
  Text result;
  Text failure;
};

// What one line came to, handed out strictly in line order.
struct BatchLineResult {
  int line = 0;  // 1-based
  int lineCount = 0;
  Text longUrl;
  BatchPlugin plugin;  // the plug-in that gave the link, else the last one tried
  Text result;         // what the extraction yields, as ShortenOne gives it
  Text failure;        // why the request failed; empty when it did not
  // The plug-ins tried before `plugin` that gave no link, in order (fallbacks only).
  std::vector<BatchAttempt> earlier;
};

// Whether a pass gave a link; otherwise a fallback plug-in gets the line.
bool GaveLink(const Text& result, const Text& failure);
// Whether a failure says the service will refuse every further line of the batch (a wait too
// long to make, a certificate refused, a value the plug-in needs missing): the batch then sends
// no more lines to it.
bool RefusesTheBatch(const Text& failure);

// A wait the batch makes for a service before sending to it again.
struct BatchWait {
  Text host;
  Text reason;  // e.g. "服务限流（429）"
  std::chrono::milliseconds length{0};
};

struct BatchSettings {
  int lineCount = 0;
  // Requests in flight to one host at most (1: one after the other).
  int concurrency = 4;
  // Waiting out rate limits and sending a line again after a cut connection (a batch does,
  // a single URL does not).
  bool retry = true;
  // Asked on the batch thread when line n (1-based) starts, in line order.
  std::function<Text(int line)> longUrl;
  std::function<BatchPlugin()> plugin;
  // Tried in order for a line that got no link from the plug-in before (备用插件, -p A,B).
  std::vector<BatchPlugin> fallbacks;
  // Called on the batch thread: a line starts; a line's result (in line order); a wait begins.
  std::function<void(int line)> onStart;
  std::function<void(const BatchLineResult&)> onResult;
  std::function<void(const BatchWait&)> onWait;
  // Polled while the batch runs (at least every 100 ms): true stops it as stop() does.
  std::function<bool()> stopRequested;
};

// A batch of passes with several requests in flight on the calling thread. Each pass reads the
// plug-in file when it starts (PrepareShorten), so an edit during a batch applies to the lines
// not yet started; answers may come in any order, results go out in line order. An answer 429,
// or 503 with Retry-After, makes the batch wait what the service asks (at most 120 s; without
// Retry-After 1 s, doubling), drop to one request at a time for that host, and send the line
// again, up to 5 times; a connection that fails before any answer is tried once more. A line
// that still has no link goes to the fallbacks in turn; a plug-in that refused the batch is
// passed over for the lines after.
class BatchRunner {
 public:
  explicit BatchRunner(BatchSettings settings);
  ~BatchRunner();
  // Runs until every line has its result or the batch is stopped; the number of results given out.
  int run();
  // Stops a running batch at once: requests in flight are abandoned. Safe from any thread.
  void stop();
  bool stopped() const { return stop_; }

 private:
  struct Loop;
  BatchSettings settings_;
  std::atomic<bool> stop_{false};
  std::mutex wakeMutex_;
  MultiTransfer* transfer_ = nullptr;  // while run() runs
};

// The lines of a text as NthLine gives them, split in one go: LineCount(text) of them.
std::vector<Text> SplitLines(const Text& text);

}  // namespace pindle
