#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "generate/shorten_engine.h"
#include "platform/types.h"

namespace pindle {

class MultiTransfer;

// The plug-in a pass goes through: its name (for the row) and its file (read when the pass starts).
struct BatchPlugin {
  Text name;
  Text file;
  // The plug-in's field values and secrets (the alias comes per line, from BatchSettings::alias).
  ShortenInputs inputs;
};

// How a line ended.
enum class LineOutcome {
  Link,     // a link came out
  Failed,   // no link; `reason` says why
  Refused,  // the service asked to wait longer than a batch waits: it takes none of the batch's
            // lines from then on, and this line was not answered (another plug-in may take it)
  Skipped,  // a blank line, not sent (skipBlankLines)
};

// One plug-in's go at a line that gave no link.
struct BatchAttempt {
  BatchPlugin plugin;
  Text result;
  Text reason;
};

// What one line came to, handed out strictly in line order.
struct BatchLineResult {
  int line = 0;  // 1-based
  int lineCount = 0;
  Text longUrl;
  BatchPlugin plugin;
  Text result;  // what the extraction yields, as ShortenOne gives it
  // Why no link came out, as the user reads it ("HTTP 503：error:concurrency",
  // "服务要求等待 27 小时后再试"); empty for a link and a skipped line.
  Text reason;
  LineOutcome outcome = LineOutcome::Failed;
  int status = 0;  // HTTP status of the last answer; 0 when none came
  bool linked() const { return outcome == LineOutcome::Link; }
  // With fallbacks: the plug-ins tried before `plugin` (the one that gave the link, else the
  // last one tried), in order.
  std::vector<BatchAttempt> earlier;
};

// Whether a reason says the service will refuse every further line of the batch in the same
// way (a certificate refused, a value the plug-in needs missing): the batch then sends it no
// more lines that a fallback can take.
bool RefusesTheBatch(const Text& reason);

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
  // Lines that are empty or hold only blanks are not sent: they end as LineOutcome::Skipped.
  bool skipBlankLines = false;
  // Asked on the batch thread when line n (1-based) starts, in line order.
  std::function<Text(int line)> longUrl;
  // The alias of line n, asked right after its long URL; none when not set.
  std::function<Text(int line)> alias;
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
// or 503 with Retry-After, makes the batch wait what the service asks (without Retry-After 1 s,
// doubling), drop to one request at a time for that host, and send the line again, up to 5
// times; a connection that fails before any answer is tried once more. A service that asks for
// more than 120 s is sent nothing more in this batch: its lines end as LineOutcome::Refused at
// once. A line that still has no link goes to the fallbacks in turn (a service that refused
// the batch passes it on at once). Waits are measured on the batch clock (generate/batch_clock.h).
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
