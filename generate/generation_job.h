#pragma once
#include <chrono>
#include <functional>
#include <optional>
#include <vector>

#include "generate/batch_clock.h"
#include "generate/failure_kind.h"
#include "generate/shorten_engine.h"
#include "platform/types.h"
#include "web/web_limits.h"

namespace pindle {

// The plug-in a pass goes through: its name (for the row) and its file (read when the pass starts).
struct BatchPlugin {
  Text name;
  Text file;
  // The plug-in's field values and secrets (the alias comes per line, from JobLine::alias).
  ShortenInputs inputs;
  // Why the plug-in takes no lines although the batch started with it (it left the list): its
  // lines are not sent, and go to the fallbacks. Empty while it takes them.
  Text unavailable;
};

// How a line ended.
enum class LineOutcome {
  Link,      // a link came out
  Failed,    // no link; `reason` says why
  Refused,   // the service asked to wait longer than a batch waits: it takes none of the batch's
             // lines from then on, and this line was not answered (another plug-in may take it)
  Skipped,   // a blank line, not sent (skipBlankLines)
  Rejected,  // the line itself cannot be sent (JobLine::rejected): no plug-in saw it
};

// One plug-in's go at a line that gave no link.
struct BatchAttempt {
  BatchPlugin plugin;
  Text result;
  Text reason;
  FailureKind failure = FailureKind::None;
};

// What one line came to, handed out strictly in line order.
struct BatchLineResult {
  int line = 0;       // 1-based
  int lineCount = 0;  // as the job says: 0 when not known
  Text longUrl;
  BatchPlugin plugin;
  Text result;  // what the extraction yields, as ShortenOne gives it
  // Why no link came out, as the user reads it ("HTTP 503：error:concurrency",
  // "服务要求等待 27 小时后再试"); empty for a link and a skipped line.
  Text reason;
  FailureKind failure = FailureKind::None;  // the kind of `reason`
  LineOutcome outcome = LineOutcome::Failed;
  int status = 0;  // HTTP status of the last answer; 0 when none came
  Text serviceId;  // the service's own id of the link (Response.Id); empty when none
  bool linked() const { return outcome == LineOutcome::Link; }
  // The link came from the history (GenerationJob::reuse): nothing was sent for the line.
  bool reused = false;
  // With fallbacks: the plug-ins tried before `plugin` (the one that gave the link, else the
  // last one tried), in order.
  std::vector<BatchAttempt> earlier;
};

// A wait the batch makes for a service before sending to it again.
struct BatchWait {
  Text host;
  Text reason;  // e.g. "服务限流（429）"
  std::chrono::milliseconds length{0};
};

// A line as the job's source gives it.
struct JobLine {
  Text longUrl;
  Text alias;  // the alias asked for; empty: none
  // Why the line cannot be sent at all (bytes that are no text, an alias the plug-in cannot
  // take): the line ends as LineOutcome::Rejected with this reason, of this kind.
  Text rejected;
  FailureKind rejectedKind = FailureKind::Rejected;
};

// What 生成 and `pindle shorten` start: lines through a plug-in (and its fallbacks), with the
// rules of the batch, reporting to the door that made it. Run by BatchRunner.
struct GenerationJob {
  // Line n (1-based), asked on the batch thread in line order when the line starts; none once
  // the input has ended. So a door can read its input as the batch goes.
  std::function<std::optional<JobLine>(int line)> lines;
  // Whether `lines` can answer now without waiting for its input (a line, or the end of the
  // input); not given: always. A batch never stops moving its requests to wait for input.
  std::function<bool()> lineReady;
  // How many lines there are, when the door knows before the batch (0: not known). A job of one
  // line is a single URL: HTTP/1.1 only, and its answer may hold what WebLimits allows.
  int lineCount = 0;
  std::function<BatchPlugin()> plugin;
  // A link the chosen plug-in gave before for the line's long URL (复用短网址, --reuse), asked
  // as the line starts: the line ends with it, sent nowhere. Not given, or none: it is sent.
  std::function<std::optional<Text>(const BatchPlugin& plugin, const JobLine& line)> reuse;
  // Tried in order for a line that got no link from the plug-in before (备用插件, -p A,B).
  std::vector<BatchPlugin> fallbacks;
  // Requests in flight to one host at most (1: one after the other).
  int concurrency = 4;
  // Waiting out rate limits and sending a line again after a cut connection (a batch does,
  // a single URL does not).
  bool retry = true;
  // Lines that are empty or hold only blanks are not sent: they end as LineOutcome::Skipped.
  bool skipBlankLines = false;
  // Certificates of https services are verified (the user's switch, read by the door).
  bool verifyTls = true;
  // The time the batch's waits are measured on.
  BatchClock clock;
  // The bounds of each request; a line's answer is capped further by LineAnswerCap.
  WebLimits limits = CurrentWebLimits();
  // Called on the batch thread: a line starts; a line's result (in line order); a wait begins.
  std::function<void(int line)> onStart;
  std::function<void(const BatchLineResult&)> onResult;
  std::function<void(const BatchWait&)> onWait;
  // Polled while the batch runs (at least every 100 ms): true stops it as BatchRunner::stop does.
  std::function<bool()> stopRequested;

  // The most lines the job can have in flight at once: `concurrency` at each plug-in's service.
  int mostLinesInFlight() const;
  // What one line's answer may hold: the whole limit for a single URL, a share of the batch's
  // bound otherwise (BatchAnswerCap).
  std::size_t lineAnswerCap() const;
};

}  // namespace pindle
