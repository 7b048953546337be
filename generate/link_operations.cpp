#include "generate/link_operations.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "generate/failure_reason.h"
#include "text/text_utils.h"
#include "web/retry_after.h"
#include "web/url_helpers.h"

namespace pindle {
namespace {

constexpr int kMaxRetries = 5;
constexpr std::chrono::seconds kLongestWait{120};

std::optional<LinkOutcome> NotSendable(const LinkTask& task, LinkSection section, const ShortenRequest& prepared) {
  if (prepared.send) return std::nullopt;
  LinkOutcome none;
  if (!HasLinkSection(PluginDefinition::FromFile(task.pluginFile), section))
    none.error = SectionMissingReason(task.pluginName, section);
  else
    none.error = prepared.notSentReason.empty() ? NotSentReason() : prepared.notSentReason;
  return none;
}

}  // namespace

WebResponse SendLinkRequest(const ShortenRequest& prepared) {
  std::chrono::milliseconds wait{1000};
  bool reconnected = false;
  for (int attempt = 0;; ++attempt) {
    WebResponse response = WebRequest(prepared.request);
    if (response.status == 0 && response.failed() && !reconnected) {
      reconnected = true;
      continue;
    }
    const std::optional<std::chrono::seconds> asked = RetryAfter(response.headers);
    const bool busy = response.status == 429 || (response.status == 503 && asked);
    if (!busy || attempt >= kMaxRetries) return response;
    const std::chrono::milliseconds length = asked ? std::chrono::milliseconds(*asked) : wait;
    if (length > kLongestWait) return response;
    std::this_thread::sleep_for(length);
    wait *= 2;
  }
}

LinkOutcome FetchClicks(const LinkTask& task) {
  if (task.pluginFile.empty()) return {false, std::nullopt, "历史记录里没有生成这个短网址的插件（请用 -p 指定）", 0};
  const ShortenRequest prepared = PrepareLinkRequest(task.pluginFile, LinkSection::Stats, task.ref, task.inputs);
  if (auto none = NotSendable(task, LinkSection::Stats, prepared)) return *none;
  const WebResponse response = SendLinkRequest(prepared);
  LinkOutcome outcome;
  outcome.status = response.status;
  outcome.clicks = ReadClicks(PluginDefinition::FromFile(task.pluginFile), prepared, response, outcome.error);
  outcome.ok = outcome.clicks.has_value();
  return outcome;
}

LinkOutcome DeleteLink(const LinkTask& task) {
  if (task.pluginFile.empty()) return {false, std::nullopt, "历史记录里没有生成这个短网址的插件（请用 -p 指定）", 0};
  const ShortenRequest prepared = PrepareLinkRequest(task.pluginFile, LinkSection::Delete, task.ref, task.inputs);
  if (auto none = NotSendable(task, LinkSection::Delete, prepared)) return *none;
  const WebResponse response = SendLinkRequest(prepared);
  LinkOutcome outcome;
  outcome.status = response.status;
  outcome.error = LinkAnswerProblem(prepared, response);
  outcome.ok = outcome.error.empty();
  return outcome;
}

std::vector<LinkOutcome> FetchAllClicks(const std::vector<LinkTask>& tasks, int concurrency,
                                        const std::function<void(int finished)>& done) {
  std::vector<LinkOutcome> outcomes(tasks.size());
  std::atomic<size_t> next{0};
  std::mutex doneMutex;
  int finished = 0;
  auto work = [&] {
    const ConnectionReuseScope reuse;
    for (size_t i; (i = next++) < tasks.size();) {
      outcomes[i] = FetchClicks(tasks[i]);
      if (!done) continue;
      const std::lock_guard lock(doneMutex);
      done(++finished);
    }
  };
  const size_t workers = std::clamp<size_t>(static_cast<size_t>(std::max(concurrency, 1)), 1, tasks.size());
  std::vector<std::thread> threads;
  for (size_t w = 1; w < workers; ++w) threads.emplace_back(work);
  if (!tasks.empty()) work();
  for (std::thread& t : threads) t.join();
  return outcomes;
}

LinkListing ListAllLinks(const LinkTask& plugin) {
  LinkListing listing;
  const PluginDefinition definition = PluginDefinition::FromFile(plugin.pluginFile);
  const ConnectionReuseScope reuse;
  std::int64_t skip = 0;
  Text next;
  for (int page = 1;; ++page) {
    ShortenRequest prepared = PrepareLinkRequest(plugin.pluginFile, LinkSection::List, {}, plugin.inputs, page);
    if (auto none = NotSendable(plugin, LinkSection::List, prepared)) {
      listing.error = none->error;
      return listing;
    }
    if (!next.empty()) {
      // The service's cursor carries the key's headers only to the plug-in's own site.
      if (UrlOrigin(next) != UrlOrigin(prepared.request.url)) {
        listing.error = LeavesOriginReason(UrlOrigin(next), UrlOrigin(prepared.request.url));
        return listing;
      }
      prepared.request.url = next;
    }
    ListPage answer = ReadListPage(definition, prepared, SendLinkRequest(prepared), skip);
    if (!answer.error.empty()) {
      listing.error = page == 1 ? answer.error : "第 " + std::to_string(page) + " 页：" + answer.error;
      return listing;
    }
    skip += static_cast<std::int64_t>(answer.links.size());
    for (ListedLink& link : answer.links) listing.links.push_back(std::move(link));
    if (!answer.more || page >= 100000) return listing;
    next = answer.nextUrl;
  }
}

}  // namespace pindle
