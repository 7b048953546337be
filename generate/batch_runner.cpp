#include "generate/batch_runner.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

#include "generate/failure_reason.h"
#include "generate/retry_rule.h"
#include "generate/shorten_engine.h"
#include "json/json_document.h"
#include "text/text_utils.h"
#include "web/multi_transfer.h"
#include "web/retry_after.h"
#include "web/url_helpers.h"
#include "web/web_errors.h"

namespace pindle {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStopCheck{100};
// Lines started ahead of the first line not yet given out. A line that takes its time (a slow
// service, a wait) holds up the results behind it; beyond this many the batch starts no more
// lines until it is done, so the results waiting for it never fill memory.
constexpr int kReorderWindow = 4096;

}  // namespace

namespace {

// One pass between its start and its result.
struct Pass {
  int line = 0;
  Text longUrl;
  BatchPlugin plugin;
  ShortenRequest prepared;
  Text host;
  RetryTries tries;
  Text alias;
  Text rejected;  // why the line is not sent at all
  FailureKind rejectedKind = FailureKind::Rejected;
  std::optional<Text> reused;  // the link from the history, when the line is not sent for it
  size_t nextFallback = 0;     // the fallback the line goes to when this plug-in gives no link
  std::vector<BatchAttempt> earlier;
};

struct HostState {
  int inFlight = 0;
  int limit = 1;
  BatchClock::time_point notBefore{};
};

// Why a pass whose plug-in describes no request to send was not sent.
Text NotSent(const Pass& pass) {
  return pass.prepared.notSentReason.empty() ? NotSentReason() : pass.prepared.notSentReason;
}

bool IsBlank(const Text& line) { return TrimBlanksAndLineBreaks(line).empty(); }

// A status that says the service fails for a moment only.

}  // namespace

struct BatchRunner::Loop {
  BatchRunner& runner;
  const GenerationJob& s;
  MultiTransfer transfer;
  PluginFileCache plugins;  // each line reads its plug-in file; an unchanged one is not parsed again
  std::map<Text, HostState> hosts;
  std::map<int, std::unique_ptr<Pass>> sent;     // by line
  std::map<int, std::unique_ptr<Pass>> retries;  // waiting to be sent again, by line
  std::unique_ptr<Pass> prepared;                // started, waiting for room at its host
  std::map<int, BatchLineResult> done;           // finished, not yet given out
  int nextLine = 1;                              // the line the source gives next
  int released = 0;
  bool inputEnded = false;
  WebLimits limits;  // of every request: the job's, with the line's answer cap
  Text lastHost;
  std::set<Text> refusing;  // plug-in files that refused the batch
  // Plug-in files that asked for a wait longer than a batch makes, with the reason: they take no
  // more lines of this batch. A plug-in's own, not its host's: another plug-in on the same host
  // (another path, another key) is still asked.
  std::map<Text, Text> refusals;

  Loop(BatchRunner& r, const GenerationJob& job)
      : runner(r),
        s(job),
        transfer(std::max(1, job.concurrency), /*offerHttp2=*/job.lineCount != 1),
        limits(job.limits) {
    limits.maxBodyBytes = job.lineAnswerCap();
  }

  bool allReleased() const { return inputEnded && released == nextLine - 1; }

  HostState& host(const Text& name) {
    auto [it, added] = hosts.try_emplace(name);
    if (added) it->second.limit = std::max(1, s.concurrency);
    return it->second;
  }
  const Text* refusal(const Pass& pass) const {
    const auto it = refusals.find(pass.plugin.file);
    return it == refusals.end() ? nullptr : &it->second;
  }
  bool roomAt(const Text& name, BatchClock::time_point now) {
    HostState& h = host(name);
    return h.inFlight < h.limit && now >= h.notBefore;
  }
  // A refusing plug-in takes nothing, so its lines may end at once.
  bool roomFor(const Pass& pass, BatchClock::time_point now) { return refusal(pass) || roomAt(pass.host, now); }

  void send(std::unique_ptr<Pass> pass) {
    ++host(pass->host).inFlight;
    transfer.start(static_cast<std::uint64_t>(pass->line), pass->prepared.request, limits);
    sent[pass->line] = std::move(pass);
  }

  BatchLineResult resultOf(Pass& pass, LineOutcome outcome) {
    BatchLineResult result;
    result.line = pass.line;
    result.lineCount = s.lineCount;
    result.longUrl = pass.longUrl;
    result.plugin = pass.plugin;
    result.outcome = outcome;
    return result;
  }

  // Reads the plug-in file of `plugin` for the pass; false when it describes nothing to send.
  bool prepare(Pass& pass, BatchPlugin plugin) {
    pass.plugin = std::move(plugin);
    if (!pass.plugin.unavailable.empty()) {
      // Gone from the list: nothing to send, and the lines after go to the fallbacks at once.
      refusing.insert(pass.plugin.file);
      pass.prepared = ShortenRequest{.notSentReason = pass.plugin.unavailable, .notSentKind = FailureKind::PluginGone};
      pass.host.clear();
      return false;
    }
    ShortenInputs inputs = pass.plugin.inputs;
    inputs.alias = pass.alias;
    inputs.verifyTls = s.verifyTls;
    pass.prepared = plugins.prepare(pass.plugin.file, pass.longUrl, inputs);
    pass.host = pass.prepared.send ? UrlHost(pass.prepared.request.url, true) : Text();
    pass.tries = {};
    return pass.prepared.send;
  }

  // The next fallback that still takes lines, prepared for the pass; false when none is left.
  bool moveOn(Pass& pass) {
    while (pass.nextFallback < s.fallbacks.size()) {
      const BatchPlugin& next = s.fallbacks[pass.nextFallback++];
      if (refusing.count(next.file) || refusals.count(next.file)) continue;
      prepare(pass, next);
      return true;
    }
    return false;
  }

  // The line's result from its present plug-in. A line without a link goes on to the next
  // fallback (sent from `retries` when its host has room); otherwise it is done.
  void conclude(std::unique_ptr<Pass> pass, BatchLineResult result) {
    for (;;) {
      if (RefusesTheBatch(result.failure)) refusing.insert(pass->plugin.file);
      const bool last = result.linked() || result.outcome == LineOutcome::Skipped ||
                        result.outcome == LineOutcome::Rejected || !moveOn(*pass);
      if (last) {
        result.earlier = std::move(pass->earlier);
        done.emplace(pass->line, std::move(result));
        return;
      }
      pass->earlier.push_back(
          {std::move(result.plugin), std::move(result.result), std::move(result.reason), result.failure});
      if (pass->prepared.send) {
        retries[pass->line] = std::move(pass);
        return;
      }
      result = resultOf(*pass, LineOutcome::Failed);
      result.reason = NotSent(*pass);
      result.failure = pass->prepared.notSentKind;
    }
  }

  void finish(std::unique_ptr<Pass> pass, const WebResponse& response) {
    BatchLineResult result = resultOf(*pass, LineOutcome::Failed);
    result.result = FinishShorten(pass->prepared, response, &result.reason, &result.failure);
    result.status = response.status;
    if (result.reason.empty()) {
      result.outcome = LineOutcome::Link;
      result.serviceId = ServiceIdOf(pass->prepared, response);
    }
    conclude(std::move(pass), std::move(result));
  }

  void end(std::unique_ptr<Pass> pass, LineOutcome outcome, Text reason, FailureKind failure) {
    BatchLineResult result = resultOf(*pass, outcome);
    result.reason = std::move(reason);
    result.failure = failure;
    conclude(std::move(pass), std::move(result));
  }

  // The next line's pass, begun: its plug-in file is read now (a blank line skipped or a line
  // rejected is not). A plug-in that refused the batch passes the line to the first fallback
  // that still takes lines. None when the input has ended.
  std::unique_ptr<Pass> begin() {
    std::optional<JobLine> line = s.lines ? s.lines(nextLine) : std::nullopt;
    if (!line) {
      inputEnded = true;
      return nullptr;
    }
    auto pass = std::make_unique<Pass>();
    pass->line = nextLine++;
    if (s.onStart) s.onStart(pass->line);
    pass->longUrl = std::move(line->longUrl);
    pass->plugin = s.plugin ? s.plugin() : BatchPlugin();
    pass->rejected = std::move(line->rejected);
    pass->rejectedKind = line->rejectedKind;
    if (!pass->rejected.empty() || (s.skipBlankLines && IsBlank(pass->longUrl))) return pass;
    if (s.reuse && pass->plugin.unavailable.empty()) {
      pass->reused = s.reuse(pass->plugin, {pass->longUrl, line->alias, {}});
      if (pass->reused) return pass;
    }
    pass->alias = std::move(line->alias);
    const bool passedOver = refusing.count(pass->plugin.file) || refusals.count(pass->plugin.file);
    if (!passedOver || !moveOn(*pass)) prepare(*pass, pass->plugin);
    return pass;
  }

  // Sends whatever may go now: lines to try again first (they hold up the lines behind them).
  void fill() {
    const BatchClock::time_point now = s.clock.now();
    for (auto it = retries.begin(); it != retries.end();) {
      if (!roomFor(*it->second, now)) {
        ++it;
        continue;
      }
      std::unique_ptr<Pass> pass = std::move(it->second);
      it = retries.erase(it);
      if (const Text* why = refusal(*pass)) {
        end(std::move(pass), LineOutcome::Refused, *why, FailureKind::LongWait);
        continue;
      }
      send(std::move(pass));
    }
    for (;;) {
      if (!prepared) {
        if (s.lineCount > 0 && nextLine > s.lineCount) inputEnded = true;
        if (inputEnded || runner.stop_ || nextLine - released > kReorderWindow) break;
        if (s.lineReady && !s.lineReady()) break;  // looked at again within kStopCheck
        // A line starts (and reads the plug-in file) only when it can be sent, most likely to
        // the host of the line before; so with one request at a time each line starts after
        // the one before has its answer.
        if (!lastHost.empty() && !roomAt(lastHost, now)) break;
        prepared = begin();
        if (!prepared) break;
        if (!prepared->rejected.empty()) {
          Text reason = std::move(prepared->rejected);
          const FailureKind kind = prepared->rejectedKind;
          end(std::move(prepared), LineOutcome::Rejected, std::move(reason), kind);
          continue;
        }
        if (prepared->reused) {
          BatchLineResult result = resultOf(*prepared, LineOutcome::Link);
          result.result = std::move(*prepared->reused);
          result.reused = true;
          conclude(std::move(prepared), std::move(result));
          continue;
        }
        if (!prepared->prepared.send) {  // nothing to send: the pass ends here (or goes to a fallback)
          const bool blank = s.skipBlankLines && IsBlank(prepared->longUrl);
          Text reason = blank ? Text() : NotSent(*prepared);
          const FailureKind kind = blank ? FailureKind::None : prepared->prepared.notSentKind;
          end(std::move(prepared), blank ? LineOutcome::Skipped : LineOutcome::Failed, std::move(reason), kind);
          continue;
        }
        lastHost = prepared->host;
      }
      if (const Text* why = refusal(*prepared)) {
        end(std::move(prepared), LineOutcome::Refused, *why, FailureKind::LongWait);
        continue;
      }
      if (!roomAt(prepared->host, now)) break;
      send(std::move(prepared));
    }
    release();
  }

  void release() {
    for (auto it = done.find(released + 1); it != done.end(); it = done.find(released + 1)) {
      ++released;
      if (s.onResult) s.onResult(it->second);
      done.erase(it);
    }
  }

  // A wait longer than a batch makes: the host takes no more of the batch. True when it is one.
  bool refuses(std::unique_ptr<Pass>& pass, const WebResponse& response) {
    if (response.status != 429 && response.status != 503) return false;
    const std::optional<std::chrono::seconds> asked = RetryAfter(response.headers);
    if (!asked || *asked <= kLongestRetryWait) return false;
    const Text& why = refusals.try_emplace(pass->plugin.file, LongWaitReason(*asked)).first->second;
    BatchLineResult result = resultOf(*pass, LineOutcome::Refused);
    result.reason = why;
    result.failure = FailureKind::LongWait;
    result.status = response.status;
    conclude(std::move(pass), std::move(result));
    return true;
  }

  // A rate limit, a passing failure or no answer at all: true when the line is to be sent again.
  bool retryLater(Pass& pass, const WebResponse& response) {
    if (!s.retry) return false;
    const Retry retry = PlanRetry(response, pass.tries);
    if (retry.kind == Retry::Kind::None) return false;
    if (retry.kind != Retry::Kind::Reconnect) {
      HostState& h = host(pass.host);
      h.limit = 1;  // for the rest of the batch
      h.notBefore = std::max(h.notBefore, s.clock.now() + retry.wait);
      if (s.onWait) s.onWait({pass.host, WaitCause(response.status), retry.wait});
    }
    return true;
  }

  static Text WaitCause(int status) {
    if (status == 429) return "服务限流（429）";
    if (status == 503) return "服务暂时不可用（503）";
    return "服务暂时出错（" + std::to_string(status) + "）";
  }

  // How long (in real time) the loop may wait for its transfers before it must look again.
  milliseconds nextWait() {
    milliseconds wait = kStopCheck;
    const BatchClock::time_point now = s.clock.now();
    for (const auto& [line, pass] : retries) {
      // A host that is full wakes the loop when one of its answers comes; only time is waited for.
      const HostState& h = host(pass->host);
      if (h.inFlight >= h.limit) continue;
      const auto until = std::chrono::ceil<milliseconds>(h.notBefore - now);
      wait = std::min(wait, s.clock.realTimeFor(std::max(milliseconds(0), until)));
    }
    return wait;
  }

  int run() {
    while (!runner.stop_ && !allReleased()) {
      if (s.stopRequested && s.stopRequested()) {
        runner.stop_ = true;
        break;
      }
      fill();
      if (allReleased()) break;
      for (MultiTransfer::Finished& f : transfer.run(nextWait())) {
        auto it = sent.find(static_cast<int>(f.tag));
        if (it == sent.end()) continue;
        std::unique_ptr<Pass> pass = std::move(it->second);
        sent.erase(it);
        --host(pass->host).inFlight;
        if (refuses(pass, f.response)) continue;
        if (retryLater(*pass, f.response)) {
          retries[pass->line] = std::move(pass);
          continue;
        }
        finish(std::move(pass), f.response);
      }
      release();
    }
    if (runner.stop_) transfer.abandonAll();
    return released;
  }
};

BatchRunner::BatchRunner(GenerationJob job) : job_(std::move(job)) {}
BatchRunner::~BatchRunner() = default;

int BatchRunner::run() {
  Loop loop(*this, job_);
  {
    const std::lock_guard lock(wakeMutex_);
    transfer_ = &loop.transfer;
  }
  const int released = loop.run();
  const std::lock_guard lock(wakeMutex_);
  transfer_ = nullptr;
  return released;
}

void BatchRunner::stop() {
  stop_ = true;
  // The loop may be waiting on its transfers; wake it so the stop takes effect now.
  const std::lock_guard lock(wakeMutex_);
  if (transfer_) transfer_->wake();
}

}  // namespace pindle
