#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "generate/link_operations.h"
#include "history/history_store.h"
#include "plugins/plugin_catalog.h"

namespace pindle {

// What both doors do with the links the history holds, around the link operations.

// The stored values of a plug-in (fields and secrets), as the door reads them.
using PluginInputsOf = std::function<ShortenInputs(const PluginInfo& plugin)>;

// The task for `link`: the plug-in `named` when given, else the one the history says made it,
// with its stored values. The service's id goes with it only when that plug-in made the link.
LinkTask LinkTaskFor(const Text& link, const PluginCatalog& catalog, const HistoryStore& history,
                     const PluginInfo* named, const PluginInputsOf& inputsOf);
// LinkTaskFor of each link, reading the history once.
std::vector<LinkTask> LinkTasksFor(const std::vector<Text>& links, const PluginCatalog& catalog,
                                   const HistoryStore& history, const PluginInfo* named,
                                   const PluginInputsOf& inputsOf);
// The service's id of `link` as the history has it, when `pluginName` made the link; else empty.
Text KnownServiceId(const HistoryStore& history, const Text& link, const Text& pluginName);
// The task of a plug-in itself (List).
LinkTask PluginTask(const PluginInfo& plugin, const PluginInputsOf& inputsOf);

// DeleteLink, and a link deleted at its service marked so in the history (its rows stay);
// `unrecorded` (if given) says why the mark could not be written.
LinkOutcome DeleteAndMark(const LinkTask& task, const HistoryStore& history, Text* unrecorded = nullptr);

// Keeps the counts of the tasks that got one, fetched at `unixTime`, and their clicks by day
// where the service gave them.
bool RecordClicks(const HistoryStore& history, const std::vector<LinkTask>& tasks,
                  const std::vector<LinkOutcome>& outcomes, std::int64_t unixTime, Text* error = nullptr);

// The listed links the history lacks, as entries marked found at the service (`plugin` made
// them as far as the history knows), at `unixTime`. A link listed twice is added once.
std::vector<HistoryEntry> ListedLinksToAdd(const std::vector<ListedLink>& links, const Text& plugin,
                                           const HistoryStore& history, std::int64_t unixTime);

}  // namespace pindle
