#include "generate/batch_runner.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

#include "generate/shorten_engine.h"
#include "history/history_recorder.h"
#include "json/json_document.h"
#include "text/text_utils.h"
#include "web/multi_transfer.h"
#include "web/retry_after.h"
#include "web/url_helpers.h"
#include "web/web_errors.h"

namespace pindle {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kMaxRateRetries = 5;
constexpr std::chrono::seconds kLongestWait{120};
constexpr milliseconds kFirstBackOff{1000};
constexpr milliseconds kStopCheck{100};

}  // namespace

bool GaveLink(const Text& result, const Text& failure) { return NoLinkReason(result, failure).empty(); }

bool RefusesTheBatch(const Text& failure) {
  return failure.starts_with(CertificateFailureCause()) || failure.starts_with("缺少配置：") ||
         failure.starts_with("服务要求等待");
}

std::vector<Text> SplitLines(const Text& text) {
  std::vector<Text> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    const bool last = end == Text::npos;
    if (last) end = text.size();
    size_t stop = end;
    if (stop > start && text[stop - 1] == '\r') --stop;
    lines.emplace_back(text, start, stop - start);
    if (last) break;
    start = end + 1;
  }
  return lines;
}

// One pass between its start and its result.
struct Pass {
  int line = 0;
  Text longUrl;
  BatchPlugin plugin;
  ShortenRequest prepared;
  Text host;
  int rateRetries = 0;
  bool connectionRetried = false;
  size_t nextFallback = 0;  // the fallback to try when this plug-in gives no link
  std::vector<BatchAttempt> earlier;
};

struct HostState {
  int inFlight = 0;
  int limit = 1;
  Clock::time_point notBefore{};
};

struct BatchRunner::Loop {
  BatchRunner& runner;
  const BatchSettings& s;
  MultiTransfer transfer;
  JsonDocument document;
  std::map<Text, HostState> hosts;
  std::map<int, std::unique_ptr<Pass>> sent;     // by line
  std::map<int, std::unique_ptr<Pass>> retries;  // waiting to be sent again, by line
  std::unique_ptr<Pass> prepared;                // started, waiting for room at its host
  std::map<int, BatchLineResult> done;           // finished, not yet given out
  int nextLine = 1;
  int released = 0;
  Text lastHost;
  std::set<Text> refused;  // plug-in files that refused the batch

  Loop(BatchRunner& r, const BatchSettings& settings)
      : runner(r), s(settings), transfer(std::max(1, settings.concurrency), /*offerHttp2=*/settings.lineCount > 1) {}

  HostState& host(const Text& name) {
    auto [it, added] = hosts.try_emplace(name);
    if (added) it->second.limit = std::max(1, s.concurrency);
    return it->second;
  }
  bool roomAt(const Text& name, Clock::time_point now) {
    HostState& h = host(name);
    return h.inFlight < h.limit && now >= h.notBefore;
  }

  void send(std::unique_ptr<Pass> pass) {
    ++host(pass->host).inFlight;
    transfer.start(static_cast<std::uint64_t>(pass->line), pass->prepared.request);
    sent[pass->line] = std::move(pass);
  }

  // Reads the plug-in file of `plugin` for the pass; false when there is nothing to send.
  bool prepare(Pass& pass, BatchPlugin plugin) {
    pass.plugin = std::move(plugin);
    pass.prepared = PrepareShorten(pass.plugin.file, pass.longUrl, document);
    pass.host = pass.prepared.send ? UrlHost(pass.prepared.request.url, true) : Text();
    pass.rateRetries = 0;
    pass.connectionRetried = false;
    return pass.prepared.send;
  }

  // The next fallback the batch still sends to, prepared for the pass; false when none is left.
  bool moveOn(Pass& pass) {
    while (pass.nextFallback < s.fallbacks.size()) {
      const BatchPlugin& next = s.fallbacks[pass.nextFallback++];
      if (refused.count(next.file)) continue;
      prepare(pass, next);
      return true;
    }
    return false;
  }

  // The pass's plug-in gave what it gave: a link ends the line; otherwise the line goes to the
  // next fallback, waiting in `retries` to be sent.
  void finish(std::unique_ptr<Pass> pass, const WebResponse* response) {
    for (;;) {
      BatchAttempt attempt{pass->plugin, {}, {}};
      if (response) attempt.result = FinishShorten(pass->prepared, *response, &attempt.failure);
      response = nullptr;
      if (RefusesTheBatch(attempt.failure)) refused.insert(pass->plugin.file);
      if (GaveLink(attempt.result, attempt.failure) || !moveOn(*pass)) {
        BatchLineResult result;
        result.line = pass->line;
        result.lineCount = s.lineCount;
        result.longUrl = std::move(pass->longUrl);
        result.plugin = std::move(attempt.plugin);
        result.result = std::move(attempt.result);
        result.failure = std::move(attempt.failure);
        result.earlier = std::move(pass->earlier);
        done.emplace(result.line, std::move(result));
        return;
      }
      pass->earlier.push_back(std::move(attempt));
      if (pass->prepared.send) {
        retries[pass->line] = std::move(pass);
        return;
      }
    }
  }

  // The next line's pass, begun: its plug-in file is read now. A plug-in that refused the batch
  // is passed over for the first fallback still sending.
  std::unique_ptr<Pass> begin() {
    auto pass = std::make_unique<Pass>();
    pass->line = nextLine++;
    if (s.onStart) s.onStart(pass->line);
    pass->longUrl = s.longUrl ? s.longUrl(pass->line) : Text();
    BatchPlugin first = s.plugin ? s.plugin() : BatchPlugin();
    if (!refused.count(first.file) || !moveOn(*pass)) prepare(*pass, std::move(first));
    return pass;
  }

  // Sends whatever may go now: lines to try again first (they hold up the lines behind them).
  void fill() {
    const Clock::time_point now = Clock::now();
    for (auto it = retries.begin(); it != retries.end();) {
      if (!roomAt(it->second->host, now)) {
        ++it;
        continue;
      }
      std::unique_ptr<Pass> pass = std::move(it->second);
      it = retries.erase(it);
      send(std::move(pass));
    }
    for (;;) {
      if (!prepared) {
        if (nextLine > s.lineCount || runner.stop_) return;
        // A line starts (and reads the plug-in file) only when it can be sent, most likely to
        // the host of the line before; so with one request at a time each line starts after
        // the one before has its answer.
        if (!lastHost.empty() && !roomAt(lastHost, now)) return;
        prepared = begin();
        lastHost = prepared->host;
        if (!prepared->prepared.send) {  // nothing to send: the pass ends here, or goes on to a fallback
          finish(std::move(prepared), nullptr);
          release();
          continue;
        }
      }
      if (!roomAt(prepared->host, now)) return;
      send(std::move(prepared));
    }
  }

  void release() {
    for (auto it = done.find(released + 1); it != done.end(); it = done.find(released + 1)) {
      ++released;
      if (s.onResult) s.onResult(it->second);
      done.erase(it);
    }
  }

  // A rate limit or a passing failure: true when the line is to be sent again.
  bool retryLater(Pass& pass, const WebResponse& response) {
    if (!s.retry) return false;
    const std::optional<std::chrono::seconds> asked = RetryAfter(response.headers);
    if (response.status == 429 || (response.status == 503 && asked)) {
      if (pass.rateRetries >= kMaxRateRetries) return false;
      const milliseconds wait = asked ? milliseconds(std::min(*asked, kLongestWait))
                                      : std::min<milliseconds>(kFirstBackOff * (1 << pass.rateRetries), kLongestWait);
      ++pass.rateRetries;
      HostState& h = host(pass.host);
      h.limit = 1;  // for the rest of the batch
      h.notBefore = std::max(h.notBefore, Clock::now() + wait);
      if (s.onWait)
        s.onWait({pass.host, response.status == 429 ? Text("服务限流（429）") : Text("服务暂时不可用（503）"), wait});
      return true;
    }
    if (response.failed() && response.status == 0 && !pass.connectionRetried) {
      pass.connectionRetried = true;
      return true;
    }
    return false;
  }

  milliseconds nextWait() {
    milliseconds wait = kStopCheck;
    const Clock::time_point now = Clock::now();
    for (const auto& [line, pass] : retries) {
      // A host that is full wakes the loop when one of its answers comes; only time is waited for.
      const HostState& h = host(pass->host);
      if (h.inFlight >= h.limit) continue;
      const auto until = std::chrono::ceil<milliseconds>(h.notBefore - now);
      wait = std::max(milliseconds(0), std::min(wait, until));
    }
    return wait;
  }

  int run() {
    while (!runner.stop_ && released < s.lineCount) {
      if (s.stopRequested && s.stopRequested()) {
        runner.stop_ = true;
        break;
      }
      fill();
      if (released >= s.lineCount) break;
      for (MultiTransfer::Finished& f : transfer.run(nextWait())) {
        auto it = sent.find(static_cast<int>(f.tag));
        if (it == sent.end()) continue;
        std::unique_ptr<Pass> pass = std::move(it->second);
        sent.erase(it);
        --host(pass->host).inFlight;
        if (retryLater(*pass, f.response)) {
          retries[pass->line] = std::move(pass);
          continue;
        }
        finish(std::move(pass), &f.response);
      }
      release();
    }
    if (runner.stop_) transfer.abandonAll();
    return released;
  }
};

BatchRunner::BatchRunner(BatchSettings settings) : settings_(std::move(settings)) {}
BatchRunner::~BatchRunner() = default;

int BatchRunner::run() {
  Loop loop(*this, settings_);
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
