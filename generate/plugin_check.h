#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "generate/batch_runner.h"
#include "history/plugin_health.h"

namespace pindle {

inline constexpr const char* kCheckUrl = "https://example.com/";

// What one plug-in's check came to.
struct PluginCheckResult {
  BatchPlugin plugin;
  PluginCheckState state;
};

// One request per plug-in with `testUrl` as the long URL, all at once (no retries, no waits:
// a check tells how the service answers now). Results come in the order of `plugins`;
// `onDone` (if given) hears each as it ends, with how many have ended, on the calling thread.
std::vector<PluginCheckResult> CheckPlugins(const std::vector<BatchPlugin>& plugins, const Text& testUrl = kCheckUrl,
                                            const std::function<void(const PluginCheckResult&, int done)>& onDone = {});

// The results kept in each plug-in's Deploy/<Name>.ini; the reasons of those that could not be.
std::vector<Text> KeepCheckResults(const std::vector<PluginCheckResult>& results, const Text& deployDir);

}  // namespace pindle
