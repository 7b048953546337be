#include "generate/plugin_check.h"

#include <ctime>
#include <map>

#include "generate/failure_reason.h"
#include "generate/shorten_engine.h"
#include "json/json_document.h"
#include "web/multi_transfer.h"

namespace pindle {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kWaitStep{100};

// `reason` empty: `result` is the link.
void Judge(PluginCheckResult& check, const Text& result, const Text& reason, Clock::time_point started) {
  PluginCheckState& state = check.state;
  state.unixTime = static_cast<std::int64_t>(std::time(nullptr));
  state.millis = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
  state.ok = reason.empty();
  if (state.ok)
    state.link = result;
  else
    state.reason = reason;
}

}  // namespace

std::vector<PluginCheckResult> CheckPlugins(const std::vector<BatchPlugin>& plugins, const Text& testUrl,
                                            const std::function<void(const PluginCheckResult&, int done)>& onDone) {
  std::vector<PluginCheckResult> results(plugins.size());
  std::vector<ShortenRequest> prepared(plugins.size());
  std::map<std::uint64_t, Clock::time_point> started;
  MultiTransfer transfer;
  JsonDocument document;
  int done = 0;
  auto report = [&](size_t i) {
    ++done;
    if (onDone) onDone(results[i], done);
  };
  for (size_t i = 0; i < plugins.size(); ++i) {
    results[i].plugin = plugins[i];
    prepared[i] = PrepareShorten(plugins[i].file, testUrl, document, plugins[i].inputs);
    if (!prepared[i].send) {
      const Text& why = prepared[i].notSentReason;
      Judge(results[i], {}, why.empty() ? NotSentReason() : why, Clock::now());
      report(i);
      continue;
    }
    started[i] = Clock::now();
    transfer.start(i, prepared[i].request);
  }
  while (transfer.inFlight() > 0) {
    for (MultiTransfer::Finished& f : transfer.run(kWaitStep)) {
      const auto i = static_cast<size_t>(f.tag);
      Text reason;
      const Text result = FinishShorten(prepared[i], f.response, &reason);
      Judge(results[i], result, reason, started[f.tag]);
      report(i);
    }
  }
  return results;
}

std::vector<Text> KeepCheckResults(const std::vector<PluginCheckResult>& results, const Text& deployDir) {
  std::vector<Text> problems;
  for (const PluginCheckResult& r : results)
    if (Text problem = WritePluginCheckState(deployDir, r.plugin.name, r.state); !problem.empty())
      problems.push_back(r.plugin.name + "：" + problem);
  return problems;
}

}  // namespace pindle
