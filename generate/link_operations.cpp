#include "generate/link_operations.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "generate/failure_reason.h"
#include "generate/retry_rule.h"
#include "text/text_utils.h"
#include "web/multi_transfer.h"
#include "web/url_helpers.h"

namespace pindle {
namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStopCheck{100};
const char* const kNoPluginReason = "历史记录里没有生成这个短网址的插件";

LinkOutcome NoPlugin(const LinkTask& task) {
  return LinkOutcome{false, std::nullopt, {}, kNoPluginReason + task.noPluginAdvice, 0};
}

std::optional<LinkOutcome> NotSendable(const LinkTask& task, LinkSection section, const ShortenRequest& prepared) {
  if (prepared.send) return std::nullopt;
  LinkOutcome none;
  if (!HasLinkSection(PluginDefinition::FromFile(task.pluginFile), section))
    none.error = SectionMissingReason(task.pluginName, section);
  else
    none.error = prepared.notSentReason.empty() ? NotSentReason() : prepared.notSentReason;
  return none;
}

LinkOutcome ClicksOutcome(const PluginDefinition& plugin, const ShortenRequest& prepared, const WebResponse& response) {
  LinkOutcome outcome;
  outcome.status = response.status;
  outcome.clicks = ReadClicks(plugin, prepared, response, outcome.error);
  outcome.ok = outcome.clicks.has_value();
  if (outcome.ok && HasClickSeries(plugin))
    outcome.series = ReadClickSeries(plugin, DecodeAnswer(response.body, response.headers, prepared.encoding),
                                     LocalDay(static_cast<std::int64_t>(std::time(nullptr))));
  return outcome;
}

// One task between its start and its outcome.
struct ClicksPass {
  std::size_t task = 0;
  const SectionSource* source = nullptr;
  std::optional<LinkOutcome> notSent;  // nothing to send: the task's outcome
  ShortenRequest prepared;
  Text host;
  RetryTries tries;
};

struct HostRoom {
  int inFlight = 0;
  int limit = 1;
  std::chrono::steady_clock::time_point notBefore{};
};

// Prepares the tasks' requests in task order on a thread of its own, up to kAhead before the
// loop takes them, so the loop's thread only moves transfers. Each plug-in file is read once a
// run: its edits apply to the next refresh.
class ClicksPreparer {
 public:
  ClicksPreparer(const std::vector<LinkTask>& tasks, MultiTransfer& transfer)
      : tasks_(tasks), transfer_(transfer), thread_([this](std::stop_token stop) { prepareAll(stop); }) {}
  ClicksPreparer(const ClicksPreparer&) = delete;
  ClicksPreparer& operator=(const ClicksPreparer&) = delete;

  // The next task prepared, in task order; none while it is not ready yet.
  std::unique_ptr<ClicksPass> take() {
    const std::lock_guard lock(mutex_);
    if (ready_.empty()) return nullptr;
    std::unique_ptr<ClicksPass> pass = std::move(ready_.front());
    ready_.pop_front();
    room_.notify_one();
    return pass;
  }

 private:
  static constexpr std::size_t kAhead = 256;

  void prepareAll(const std::stop_token& stop) {
    for (std::size_t task = 0; task < tasks_.size(); ++task) {
      {
        std::unique_lock lock(mutex_);
        if (!room_.wait(lock, stop, [this] { return ready_.size() < kAhead; })) return;
      }
      std::unique_ptr<ClicksPass> pass = prepare(task);
      bool wasEmpty = false;
      {
        const std::lock_guard lock(mutex_);
        wasEmpty = ready_.empty();
        ready_.push_back(std::move(pass));
      }
      if (wasEmpty) transfer_.wake();  // the loop may wait for its transfers with nothing to send
    }
  }

  std::unique_ptr<ClicksPass> prepare(std::size_t task) {
    auto pass = std::make_unique<ClicksPass>();
    pass->task = task;
    const LinkTask& t = tasks_[task];
    if (t.pluginFile.empty()) {
      pass->notSent = NoPlugin(t);
      return pass;
    }
    auto it = sources_.find(t.pluginFile);
    if (it == sources_.end()) it = sources_.emplace(t.pluginFile, SectionSource::Read(t.pluginFile)).first;
    pass->source = &it->second;
    pass->prepared = PrepareLinkRequest(*pass->source, LinkSection::Stats, t.ref, t.inputs);
    pass->notSent = NotSendable(t, LinkSection::Stats, pass->prepared);
    if (!pass->notSent) pass->host = UrlHost(pass->prepared.request.url, true);
    return pass;
  }

  const std::vector<LinkTask>& tasks_;
  MultiTransfer& transfer_;
  std::map<Text, SectionSource> sources_;  // the preparer's own; passes point into it
  std::mutex mutex_;
  std::condition_variable_any room_;
  std::deque<std::unique_ptr<ClicksPass>> ready_;
  std::jthread thread_;  // last: it starts when everything it uses is there
};

// The loop of FetchAllClicks.
class ClicksLoop {
 public:
  ClicksLoop(const std::vector<LinkTask>& tasks, int concurrency, const ClicksDone& done,
             const std::function<bool()>& stopRequested)
      : tasks_(tasks),
        concurrency_(std::max(1, concurrency)),
        done_(done),
        stopRequested_(stopRequested),
        transfer_(concurrency_),
        outcomes_(tasks.size()),
        preparer_(tasks, transfer_) {}

  std::vector<LinkOutcome> run() {
    while (finished_ < static_cast<int>(tasks_.size())) {
      if (stopRequested_ && stopRequested_()) {
        stop();
        break;
      }
      fill();
      if (finished_ == static_cast<int>(tasks_.size())) break;
      for (MultiTransfer::Finished& f : transfer_.run(nextWait())) {
        auto it = sent_.find(f.tag);
        if (it == sent_.end()) continue;
        std::unique_ptr<ClicksPass> pass = std::move(it->second);
        sent_.erase(it);
        --room(pass->host).inFlight;
        if (retryLater(*pass, f.response)) {
          waiting_.push_back(std::move(pass));
          continue;
        }
        end(pass->task, ClicksOutcome(pass->source->plugin, pass->prepared, f.response));
      }
    }
    return std::move(outcomes_);
  }

 private:
  HostRoom& room(const Text& host) {
    auto [it, added] = hosts_.try_emplace(host);
    if (added) it->second.limit = concurrency_;
    return it->second;
  }
  bool roomAt(const Text& host, std::chrono::steady_clock::time_point now) {
    const HostRoom& h = room(host);
    return h.inFlight < h.limit && now >= h.notBefore;
  }
  void end(std::size_t task, LinkOutcome outcome) {
    outcomes_[task] = std::move(outcome);
    ++finished_;
    if (done_) done_(task, outcomes_[task], finished_);
  }

  void send(std::unique_ptr<ClicksPass> pass) {
    ++room(pass->host).inFlight;
    transfer_.start(pass->task, pass->prepared.request);
    sent_[pass->task] = std::move(pass);
  }

  // Waiting tasks first, then new ones as the preparer has them.
  void fill() {
    const auto now = std::chrono::steady_clock::now();
    for (auto it = waiting_.begin(); it != waiting_.end();) {
      if (!roomAt((*it)->host, now)) {
        ++it;
        continue;
      }
      send(std::move(*it));
      it = waiting_.erase(it);
    }
    for (;;) {
      if (!ready_) {
        ready_ = preparer_.take();
        if (!ready_) return;
        if (ready_->notSent) {
          end(ready_->task, std::move(*ready_->notSent));
          ready_.reset();
          continue;
        }
      }
      if (!roomAt(ready_->host, now)) return;
      send(std::move(ready_));
    }
  }

  bool retryLater(ClicksPass& pass, const WebResponse& response) {
    const Retry retry = PlanRetry(response, pass.tries);
    if (retry.kind == Retry::Kind::None) return false;
    if (retry.kind == Retry::Kind::Reconnect) return true;
    if (retry.asked && *retry.asked > kLongestRetryWait) return false;
    HostRoom& h = room(pass.host);
    h.limit = 1;  // for the rest of the run
    h.notBefore = std::max(h.notBefore, std::chrono::steady_clock::now() + retry.wait);
    return true;
  }

  milliseconds nextWait() {
    milliseconds wait = kStopCheck;
    const auto now = std::chrono::steady_clock::now();
    for (const auto& pass : waiting_) {
      const HostRoom& h = room(pass->host);
      if (h.inFlight >= h.limit) continue;  // an answer of the host wakes the loop
      wait = std::min(wait, std::max(milliseconds(0), std::chrono::ceil<milliseconds>(h.notBefore - now)));
    }
    return wait;
  }

  void stop() {
    transfer_.abandonAll();
    for (std::size_t i = 0; i < tasks_.size(); ++i)
      if (!outcomes_[i].ok && outcomes_[i].error.empty()) outcomes_[i].error = "已停止";
  }

  const std::vector<LinkTask>& tasks_;
  const int concurrency_;
  const ClicksDone& done_;
  const std::function<bool()>& stopRequested_;
  MultiTransfer transfer_;
  std::vector<LinkOutcome> outcomes_;
  std::map<Text, HostRoom> hosts_;
  std::map<std::uint64_t, std::unique_ptr<ClicksPass>> sent_;
  std::deque<std::unique_ptr<ClicksPass>> waiting_;
  std::unique_ptr<ClicksPass> ready_;  // prepared, waiting for room at its host
  int finished_ = 0;
  ClicksPreparer preparer_;  // last: its thread goes before what it feeds
};

}  // namespace

WebResponse SendLinkRequest(const ShortenRequest& prepared) {
  RetryTries tries;
  for (;;) {
    WebResponse response = WebRequest(prepared.request);
    const Retry retry = PlanRetry(response, tries);
    if (retry.kind == Retry::Kind::Reconnect) continue;
    // One request at a time waits out a rate limit only.
    if (retry.kind != Retry::Kind::RateLimit || (retry.asked && *retry.asked > kLongestRetryWait)) return response;
    std::this_thread::sleep_for(retry.wait);
  }
}

LinkOutcome FetchClicks(const LinkTask& task) {
  if (task.pluginFile.empty()) return NoPlugin(task);
  const ShortenRequest prepared = PrepareLinkRequest(task.pluginFile, LinkSection::Stats, task.ref, task.inputs);
  if (auto none = NotSendable(task, LinkSection::Stats, prepared)) return *none;
  return ClicksOutcome(PluginDefinition::FromFile(task.pluginFile), prepared, SendLinkRequest(prepared));
}

LinkOutcome DeleteLink(const LinkTask& task) {
  if (task.pluginFile.empty()) return NoPlugin(task);
  const ShortenRequest prepared = PrepareLinkRequest(task.pluginFile, LinkSection::Delete, task.ref, task.inputs);
  if (auto none = NotSendable(task, LinkSection::Delete, prepared)) return *none;
  const WebResponse response = SendLinkRequest(prepared);
  LinkOutcome outcome;
  outcome.status = response.status;
  outcome.error = LinkAnswerProblem(prepared, response);
  outcome.ok = outcome.error.empty();
  return outcome;
}

std::vector<LinkOutcome> FetchAllClicks(const std::vector<LinkTask>& tasks, int concurrency, const ClicksDone& done,
                                        const std::function<bool()>& stopRequested) {
  return ClicksLoop(tasks, concurrency, done, stopRequested).run();
}

LinkListing ListAllLinks(const LinkTask& plugin) {
  LinkListing listing;
  const SectionSource source = SectionSource::Read(plugin.pluginFile);
  const ConnectionReuseScope reuse;
  std::int64_t skip = 0;
  Text next;
  for (int page = 1;; ++page) {
    const ShortenRequest prepared = PrepareListPage(source, plugin.inputs, page, next);
    if (auto none = NotSendable(plugin, LinkSection::List, prepared)) {
      listing.error = none->error;
      return listing;
    }
    ListPage answer = ReadListPage(source.plugin, prepared, SendLinkRequest(prepared), skip);
    if (!answer.error.empty()) {
      listing.error = page == 1 ? answer.error : "第 " + std::to_string(page) + " 页：" + answer.error;
      return listing;
    }
    skip += answer.items;  // the service's rows, a row without a short link among them
    for (ListedLink& link : answer.links) listing.links.push_back(std::move(link));
    if (!answer.more || page >= 100000) return listing;
    next = answer.nextUrl;
  }
}

}  // namespace pindle
