#include "app/gui/actions/history_links.h"

#include <chrono>
#include <ctime>

#include "app/gui/actions/loaded_plugins.h"
#include "config/app_paths.h"
#include "config/config.h"
#include "generate/link_history.h"
#include "secrets/plugin_inputs.h"

namespace pindle {
namespace {

// Progress texts reach the status bar at most this often; a refresh of thousands stays smooth.
constexpr std::chrono::milliseconds kProgressStep{100};
// A link whose plug-in is not in the loaded list: the list may simply not be loaded yet.
constexpr const char* kLoadPluginsAdvice = "（插件页刷新插件列表后再试，或插件已不在列表中）";

PluginInputsOf WindowInputs(const Config& config) {
  return [config](const PluginInfo& plugin) {
    ShortenInputs inputs = StoredPluginInputs(plugin.path, config.paths.deployDir, ValueSetting::Window);
    inputs.verifyTls = config.verifyTls;
    return inputs;
  };
}

std::int64_t Now() { return static_cast<std::int64_t>(std::time(nullptr)); }

Text Counted(const char* what, std::size_t done, std::size_t total) {
  return Text(what) + " " + std::to_string(done) + "/" + std::to_string(total);
}

// "…完成：成功 3 个，失败 1 个" and, for a single failure, its reason.
Text Summary(const char* what, const std::vector<Text>& links, const std::vector<LinkOutcome>& outcomes) {
  std::size_t failed = 0;
  const LinkOutcome* lastFailure = nullptr;
  for (const LinkOutcome& o : outcomes)
    if (!o.ok) {
      ++failed;
      lastFailure = &o;
    }
  if (links.size() == 1)
    return Text(what) + (outcomes[0].ok ? "完成：" + links[0] : "失败：" + links[0] + "：" + outcomes[0].error);
  Text status = Text(what) + "完成：成功 " + std::to_string(outcomes.size() - failed) + " 个，失败 " +
                std::to_string(failed) + " 个";
  if (lastFailure) status += "（" + lastFailure->error + "）";
  return status;
}

}  // namespace

void RefreshHistoryClicks(Controls& ui, const std::vector<Text>& links, HistoryLinkView& view,
                          const std::stop_token& stop) {
  if (links.empty()) {
    view.linksDone("没有可刷新点击的短网址", false);
    return;
  }
  const Config config = Config::Read();
  const PluginCatalog catalog = LoadedPluginsOf(ui).catalog();
  const HistoryStore history(HistoryFile(config.paths));
  std::vector<LinkTask> tasks = LinkTasksFor(links, catalog, history, nullptr, WindowInputs(config));
  for (LinkTask& task : tasks) task.noPluginAdvice = kLoadPluginsAdvice;
  view.progress(Counted("刷新点击", 0, links.size()));
  auto shown = std::chrono::steady_clock::now();
  const std::vector<LinkOutcome> outcomes = FetchAllClicks(
      tasks, config.concurrency,
      [&](std::size_t task, const LinkOutcome& outcome, int finished) {
        view.clicksFetched(links[task], outcome);
        const auto now = std::chrono::steady_clock::now();
        if (now - shown >= kProgressStep) {
          shown = now;
          view.progress(Counted("刷新点击", static_cast<std::size_t>(finished), links.size()));
        }
      },
      [&] { return stop.stop_requested(); });
  Text status = Summary("刷新点击", links, outcomes);
  Text error;
  if (!RecordClicks(history, tasks, outcomes, Now(), &error)) status += "；点击数没有记入历史：" + error;
  view.linksDone(status, false);
}

void DeleteHistoryLinks(Controls& ui, const std::vector<Text>& links, HistoryLinkView& view,
                        const std::stop_token& stop) {
  const Config config = Config::Read();
  const PluginCatalog catalog = LoadedPluginsOf(ui).catalog();
  const HistoryStore history(HistoryFile(config.paths));
  const PluginInputsOf inputs = WindowInputs(config);
  std::vector<LinkOutcome> outcomes;
  Text unrecorded;
  for (const Text& link : links) {
    if (stop.stop_requested()) break;
    view.progress(Counted("删除短网址", outcomes.size(), links.size()));
    LinkTask task = LinkTaskFor(link, catalog, history, nullptr, inputs);
    task.noPluginAdvice = kLoadPluginsAdvice;
    outcomes.push_back(DeleteAndMark(task, history, &unrecorded));
    view.linkDeleted(link, outcomes.back());
  }
  if (outcomes.empty()) {
    view.linksDone("没有删除短网址", false);
    return;
  }
  Text status = Summary("删除短网址", links, outcomes);
  if (!unrecorded.empty()) status += "；历史记录没有标为已删除：" + unrecorded;
  view.linksDone(status, false);
}

void SyncServiceLinks(Controls& ui, const Text& pluginName, HistoryLinkView& view) {
  const Config config = Config::Read();
  const PluginCatalog catalog = LoadedPluginsOf(ui).catalog();
  const PluginInfo* plugin = catalog.find(pluginName);
  if (!plugin) {
    view.linksDone("同步服务端链接失败：没有插件 " + pluginName, false);
    return;
  }
  view.progress("正在同步服务端链接：" + pluginName);
  const LinkListing listing = ListAllLinks(PluginTask(*plugin, WindowInputs(config)));
  const HistoryStore history(HistoryFile(config.paths));
  const std::vector<HistoryEntry> added = ListedLinksToAdd(listing.links, pluginName, history, Now());
  Text error;
  if (!added.empty() && !history.append(added, &error)) {
    view.linksDone("同步服务端链接失败：没有记入历史：" + error, false);
    return;
  }
  Text status = "同步服务端链接：" + pluginName + " 共 " + std::to_string(listing.links.size()) + " 个，新增 " +
                std::to_string(added.size()) + " 个";
  if (!listing.ok()) status += "；" + listing.error;
  view.linksDone(status, !added.empty());
}

std::vector<Text> ListingPlugins(Controls& ui) {
  std::vector<Text> names;
  const PluginCatalog catalog = LoadedPluginsOf(ui).catalog();
  for (const PluginInfo& plugin : catalog.plugins())
    if (!plugin.name.empty() && HasLinkSection(PluginDefinition::FromFile(plugin.path), LinkSection::List))
      names.push_back(plugin.name);
  return names;
}

}  // namespace pindle
