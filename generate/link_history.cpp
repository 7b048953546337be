#include "generate/link_history.h"

#include <map>
#include <set>

namespace pindle {

LinkTask PluginTask(const PluginInfo& plugin, const PluginInputsOf& inputsOf) {
  LinkTask task;
  task.pluginName = plugin.name;
  task.pluginFile = plugin.path;
  if (inputsOf) task.inputs = inputsOf(plugin);
  return task;
}

namespace {

// An id is the service's own only for the plug-in that made the link.
Text IdMadeBy(const HistoryEntry* made, const Text& pluginName) {
  return made && made->plugin == pluginName ? made->serviceId : Text();
}

LinkTask TaskOf(const Text& link, const HistoryEntry* made, const PluginCatalog& catalog, const PluginInfo* named,
                const PluginInputsOf& inputsOf, std::map<Text, ShortenInputs>& inputs) {
  const PluginInfo* plugin = named ? named : made ? catalog.find(made->plugin) : nullptr;
  LinkTask task;
  if (plugin) {
    task.pluginName = plugin->name;
    task.pluginFile = plugin->path;
    // A plug-in's values are read once, however many links it speaks for.
    auto it = inputs.find(plugin->path);
    if (it == inputs.end()) it = inputs.emplace(plugin->path, inputsOf ? inputsOf(*plugin) : ShortenInputs()).first;
    task.inputs = it->second;
  }
  if (task.pluginName.empty() && made) task.pluginName = made->plugin;
  task.ref.link = link;
  task.ref.serviceId = IdMadeBy(made, task.pluginName);
  return task;
}

}  // namespace

Text KnownServiceId(const HistoryStore& history, const Text& link, const Text& pluginName) {
  const std::optional<HistoryEntry> made = history.findLink(link);
  return IdMadeBy(made ? &*made : nullptr, pluginName);
}

LinkTask LinkTaskFor(const Text& link, const PluginCatalog& catalog, const HistoryStore& history,
                     const PluginInfo* named, const PluginInputsOf& inputsOf) {
  return LinkTasksFor({link}, catalog, history, named, inputsOf).front();
}

std::vector<LinkTask> LinkTasksFor(const std::vector<Text>& links, const PluginCatalog& catalog,
                                   const HistoryStore& history, const PluginInfo* named,
                                   const PluginInputsOf& inputsOf) {
  const std::map<Text, HistoryEntry> made =
      history.file().empty() ? std::map<Text, HistoryEntry>() : history.findLinks(links);
  std::map<Text, ShortenInputs> inputs;
  std::vector<LinkTask> tasks;
  tasks.reserve(links.size());
  for (const Text& link : links) {
    const auto it = made.find(link);
    tasks.push_back(TaskOf(link, it == made.end() ? nullptr : &it->second, catalog, named, inputsOf, inputs));
  }
  return tasks;
}

LinkOutcome DeleteAndMark(const LinkTask& task, const HistoryStore& history, Text* unrecorded) {
  LinkOutcome outcome = DeleteLink(task);
  Text error;
  if (outcome.ok && !history.file().empty() && !history.markDeleted(task.ref.link, &error) && unrecorded)
    *unrecorded = error;
  return outcome;
}

bool RecordClicks(const HistoryStore& history, const std::vector<LinkTask>& tasks,
                  const std::vector<LinkOutcome>& outcomes, std::int64_t unixTime, Text* error) {
  std::vector<std::pair<Text, std::int64_t>> counts;
  std::vector<std::pair<Text, std::vector<DayClicks>>> series;
  for (std::size_t i = 0; i < tasks.size() && i < outcomes.size(); ++i) {
    if (!outcomes[i].ok) continue;
    if (outcomes[i].clicks) counts.emplace_back(tasks[i].ref.link, *outcomes[i].clicks);
    // An answer without days leaves the series kept before, as the chart does.
    if (!outcomes[i].series.empty()) series.emplace_back(tasks[i].ref.link, outcomes[i].series);
  }
  if (counts.empty() || history.file().empty()) return true;
  return history.setClicks(counts, unixTime, error) && history.setClickSeries(series, error);
}

std::vector<HistoryEntry> ListedLinksToAdd(const std::vector<ListedLink>& links, const Text& plugin,
                                           const HistoryStore& history, std::int64_t unixTime) {
  std::vector<HistoryEntry> added;
  std::set<Text> seen;
  for (const ListedLink& link : links) {
    if (!seen.insert(link.shortLink).second || history.findLink(link.shortLink)) continue;
    HistoryEntry entry;
    entry.unixTime = unixTime;
    entry.plugin = plugin;
    entry.longUrl = link.longUrl;
    entry.result = link.shortLink;
    entry.serviceId = link.serviceId;
    entry.clicks = link.clicks;
    if (link.clicks) entry.clicksTime = unixTime;
    entry.state = LinkState::Found;
    added.push_back(std::move(entry));
  }
  return added;
}

}  // namespace pindle
