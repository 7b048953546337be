#include "generate/batch_plan.h"

#include <algorithm>
#include <memory>

#include "generate/failure_reason.h"
#include "history/history_store.h"
#include "platform/codepage.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

// The enabled plug-in of that name (FindPluginName's rule), or none.
std::optional<PluginInfo> EnabledPlugin(const PluginCatalog& catalog, const Text& name) {
  const std::vector<const PluginInfo*> enabled = catalog.enabled();
  std::vector<Text> names;
  for (const PluginInfo* plugin : enabled) names.push_back(plugin->name);
  const int index = FindPluginName(names, name);
  if (index < 0) return std::nullopt;
  return *enabled[static_cast<size_t>(index)];
}

std::optional<PluginInfo> EnabledFile(const PluginCatalog& catalog, const Text& file) {
  for (const PluginInfo* plugin : catalog.enabled())
    if (plugin->path == file) return *plugin;
  return std::nullopt;
}

}  // namespace

Text NoAliasReason(const Text& pluginName) {
  return "插件“" + pluginName + "”不支持自定义别名（插件文件里没有 $Alias$）";
}

std::vector<BatchPlugin> FallbackPlugins(const PluginCatalog& catalog, const std::vector<Text>& names,
                                         const Text& chosen) {
  std::vector<BatchPlugin> plugins;
  std::vector<Text> taken{chosen};
  for (const Text& name : names) {
    const PluginInfo* found = catalog.find(name);
    if (found == nullptr || !found->enabled()) continue;
    const bool seen =
        std::any_of(taken.begin(), taken.end(), [&](const Text& t) { return EqualsIgnoreAsciiCase(t, found->name); });
    if (seen) continue;
    taken.push_back(found->name);
    plugins.push_back({found->name, found->path});
  }
  return plugins;
}

JobLine ReadBatchLine(Text text, bool readGbk, bool splitAlias) {
  JobLine line;
  if (readGbk && !IsWellFormedUtf8(text)) {
    if (!IsWellFormedGbk(text)) {
      line.rejected = kUnreadableLine;
      line.rejectedKind = FailureKind::Unreadable;
      return line;
    }
    text = GbkToUtf8Text(text);
  }
  if (const size_t tab = splitAlias ? text.find('\t') : Text::npos; tab != Text::npos) {
    line.alias = Trim(text.substr(tab + 1));  // blanks around an alias are never part of it
    text.resize(tab);
  }
  line.longUrl = std::move(text);
  return line;
}

bool ReusableLink(const Text& link, const Text& alias) {
  if (alias.empty()) return true;
  return link.size() > alias.size() && link.ends_with(alias) && link[link.size() - alias.size() - 1] == '/';
}

GenerationJob PlanBatch(BatchRequest request) {
  GenerationJob job;
  const std::optional<PluginInfo> chosen = request.pluginFile.empty()
                                               ? EnabledPlugin(request.catalog, request.plugin)
                                               : EnabledFile(request.catalog, request.pluginFile);
  const bool takesAlias = chosen && chosen->usesAlias;
  // Kept by the job (the chosen plug-in's values are read again after a reload): a copy.
  const auto withInputs = [inputs = request.inputs](BatchPlugin plugin) {
    if (inputs && !plugin.file.empty()) plugin.inputs = inputs(plugin.file);
    return plugin;
  };

  job.lineCount = request.lineCount;
  job.lineReady = request.lineReady;
  job.concurrency = request.single ? 1 : request.concurrency > 0 ? request.concurrency : request.config.concurrency;
  job.retry = !request.single;
  job.skipBlankLines = request.skipBlankLines;
  job.verifyTls = request.config.verifyTls;
  job.clock = request.clock;
  job.limits = request.limits;

  const Text chosenName = chosen ? chosen->name : Text();
  job.fallbacks = FallbackPlugins(request.catalog, request.fallbacks, chosenName);
  for (BatchPlugin& fallback : job.fallbacks) fallback = withInputs(std::move(fallback));

  // The chosen plug-in, found again by its file only after the door's list changed.
  struct Chosen {
    std::optional<std::uint64_t> revision;
    BatchPlugin plugin;
  };
  auto state = std::make_shared<Chosen>();
  if (chosen) state->plugin = withInputs({chosen->name, chosen->path});
  if (chosen && request.listed && request.revision) {
    state->revision = request.revision();
    job.plugin = [state, chosen = *chosen, listed = request.listed, revision = request.revision, withInputs] {
      const std::uint64_t now = revision();
      if (state->revision != now) {
        state->revision = now;
        if (const std::optional<PluginInfo> entry = listed(chosen.path)) {
          state->plugin = withInputs({entry->name, entry->path});
        } else {
          // Named as the list last named it.
          const Text name = state->plugin.name;
          state->plugin = BatchPlugin{name, chosen.path};
          state->plugin.unavailable = PluginGoneReason(name);
        }
      }
      return state->plugin;
    };
  } else {
    job.plugin = [state] { return state->plugin; };
  }

  const bool splitAlias = request.aliases == AliasLines::Always || takesAlias;
  const bool refuseAlias = request.aliases == AliasLines::Always && chosen && !takesAlias;
  if (request.reuseLinks) {
    job.reuse = [links = std::make_shared<HistoryLinks>(HistoryFile(request.config.paths))](
                    const BatchPlugin& plugin, const JobLine& line) -> std::optional<Text> {
      if (!line.rejected.empty()) return std::nullopt;
      std::optional<Text> link = links->find(plugin.name, line.longUrl);
      if (link && !ReusableLink(*link, line.alias)) link.reset();
      return link;
    };
  }

  job.lines = [lines = request.lines, jobLines = request.jobLines, readGbk = request.readGbkLines,
               alias = request.alias, splitAlias, refuseAlias, chosenName](int n) -> std::optional<JobLine> {
    std::optional<JobLine> given;
    if (jobLines) {
      given = jobLines(n);
    } else if (std::optional<Text> text = lines ? lines(n) : std::nullopt) {
      given = ReadBatchLine(std::move(*text), readGbk, splitAlias);
    }
    if (!given) return std::nullopt;
    JobLine line = std::move(*given);
    if (alias && line.rejected.empty()) line.alias = *alias;
    if (refuseAlias && !line.alias.empty() && line.rejected.empty()) line.rejected = NoAliasReason(chosenName);
    return line;
  };
  return job;
}

}  // namespace pindle
