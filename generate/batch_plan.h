#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "config/config.h"
#include "generate/generation_job.h"
#include "plugins/plugin_catalog.h"

namespace pindle {

// What the user stored for a plug-in file's fields; the door that can reach the stores gives it.
using PluginInputsLookup = std::function<ShortenInputs(const Text& pluginFile)>;

// How a door's lines ask for an alias.
enum class AliasLines {
  // The window: "URL<TAB>ALIAS" only for a plug-in that takes an alias; for any other the line
  // goes as it stands, TAB and all.
  ForAliasPlugins,
  // The command line: what follows a TAB is the alias; a plug-in that takes none refuses the line.
  Always,
};

// Everything a door gathers for a batch: 生成 and `pindle shorten` fill this and nothing more,
// and PlanBatch decides the rest for both alike.
struct BatchRequest {
  // The plug-ins as the door knows them when the batch starts.
  PluginCatalog catalog;
  // The chosen plug-in by the name the user gave (FindPluginName, among the enabled ones), or by
  // its file when `pluginFile` is given; the batch keeps it by its file.
  Text plugin;
  Text pluginFile;
  // The plug-ins a line goes on to when the one before gave no link, by name, in order; names
  // that are unknown, switched off, repeated or the chosen one are passed over.
  std::vector<Text> fallbacks;
  // Where the door lists the chosen file now (a window's list may be reloaded under the batch),
  // asked again whenever `revision` changes; a file it no longer lists ends the lines that follow
  // with PluginGoneReason. Not given: the catalog's entry, for the whole batch.
  std::function<std::optional<PluginInfo>(const Text& file)> listed;
  std::function<std::uint64_t()> revision;
  // The values stored for a plug-in's fields; not given: none.
  PluginInputsLookup inputs;

  // Line n (1-based) as the door reads it, line end removed; none once the input has ended.
  std::function<std::optional<Text>(int line)> lines;
  // Lines the door has split itself (a CSV's records), taken instead of `lines`; the alias rules
  // below still apply.
  std::function<std::optional<JobLine>(int line)> jobLines;
  // As GenerationJob::lineReady.
  std::function<bool()> lineReady;
  int lineCount = 0;  // 0: not known yet
  // One URL, not a batch: sent once (no waits, no retries), one request at a time.
  bool single = false;
  AliasLines aliases = AliasLines::ForAliasPlugins;
  // The alias asked for every line (pindle shorten --alias); none: from the lines.
  std::optional<Text> alias;
  // Lines holding only blanks are not sent (LineOutcome::Skipped).
  bool skipBlankLines = false;
  // Lines that are not UTF-8 are read as GBK (a file saved on Windows); neither: not sent.
  bool readGbkLines = false;
  // A long URL the chosen plug-in already shortened (its link in the history) takes that link
  // and is not sent (ReusableLink); the history file is the configuration's.
  bool reuseLinks = false;
  // Requests in flight at each service; 0: the configuration's "并发数".
  int concurrency = 0;

  Config config;
  BatchClock clock;
  WebLimits limits = CurrentWebLimits();
};

// What a door says of a line whose link came from the history.
inline constexpr const char* kReusedLinkTip = "复用历史里的短网址，没有发送请求";
// The reason of a line that is neither UTF-8 nor GBK.
inline constexpr const char* kUnreadableLine = "既不是 UTF-8 也不是 GBK 文字，没有发送";
// The reason of a line asking for an alias from a plug-in that takes none.
Text NoAliasReason(const Text& pluginName);

// The batch both doors run: the chosen plug-in (none found: an empty one, whose lines are not
// sent), the fallbacks with their stored values, the lines as the door's rules read them, and the
// batch's rules (one request at a time and no retries for a single URL). The door adds what it
// shows: onStart, onResult, onWait, stopRequested.
GenerationJob PlanBatch(BatchRequest request);

// The plug-ins named as fallbacks that the catalog has and that are on, in order, each once and
// none of them `chosen`.
std::vector<BatchPlugin> FallbackPlugins(const PluginCatalog& catalog, const std::vector<Text>& names,
                                         const Text& chosen);

// Whether a link the plug-in gave before serves a line asking for `alias` (empty: none): a line
// without an alias takes any; one with an alias only a link that ends in "/ALIAS".
bool ReusableLink(const Text& link, const Text& alias);

// A door's line as the batch takes it.
JobLine ReadBatchLine(Text line, bool readGbk, bool splitAlias);

}  // namespace pindle
