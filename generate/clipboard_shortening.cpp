#include "generate/clipboard_shortening.h"

#include <algorithm>

#include "config/app_paths.h"
#include "config/settings.h"
#include "generate/shorten_engine.h"
#include "history/history_recorder.h"
#include "json/json_document.h"
#include "plugins/plugin_catalog.h"
#include "plugins/plugin_rows.h"
#include "text/text_utils.h"
#include "web/link_check.h"

namespace pindle {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

// What the clipboard held, short enough for one line of a message.
Text Preview(const Text& text) {
  Text line = text.substr(0, text.find('\n'));
  if (line.size() > 60) line = line.substr(0, 60) + "…";
  return line;
}

}  // namespace

std::optional<Text> SingleAddress(const Text& text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  const Text address = text.substr(begin, end - begin);
  if (!IsLink(address)) return std::nullopt;
  return address;
}

ClipboardShortening ShortenClipboardText(const Text& held, const BatchPlugin& plugin, const PluginInputsLookup& inputs,
                                         const Config& config) {
  ClipboardShortening pass;
  const std::optional<Text> address = SingleAddress(held);
  if (!address) {
    pass.problem = held.empty() ? Text("剪贴板上没有文字，要的是一个 http(s) 网址")
                                : "剪贴板上不是一个 http(s) 网址：" + Preview(held);
    return pass;
  }
  pass.longUrl = *address;
  if (plugin.name.empty()) {
    pass.problem = "没有已启用的插件（插件目录：" + config.paths.plugDir + "）";
    return pass;
  }
  JsonDocument document;
  Text reason;
  ShortenInputs values = inputs ? inputs(plugin.file) : ShortenInputs{};
  values.verifyTls = config.verifyTls;
  const Text result = ShortenOne(plugin.file, *address, document, &reason, values);
  {
    // Like every other pass, with its reason when it failed.
    HistoryRecorder history(HistoryStore(HistoryFile(config.paths)), config.recordHistory);
    history.record({plugin.name, *address, result, reason});
    if (!history.flush()) pass.historyProblem = history.failure();
  }
  if (!reason.empty()) {
    pass.problem = *address + " 失败：" + reason;
    return pass;
  }
  pass.ok = true;
  pass.link = result;
  return pass;
}

BatchPlugin ClipboardPlugin(const PluginCatalog& catalog, const Text& name) {
  const std::vector<const PluginInfo*> enabled = catalog.enabled();
  std::vector<Text> names;
  for (const PluginInfo* plugin : enabled) names.push_back(plugin->name);
  const int found = name.empty() ? (enabled.empty() ? -1 : 0) : FindPluginName(names, name);
  if (found < 0) return {};
  const PluginInfo& plugin = *enabled[static_cast<size_t>(found)];
  return {plugin.name, plugin.path};
}

}  // namespace pindle
