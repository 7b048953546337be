#include "app/gui/actions/clipboard_watch_rule.h"

#include "app/gui/actions/loaded_plugins.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "generate/clipboard_shortening.h"
#include "history/history_store.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_rows.h"
#include "web/link_check.h"
#include "web/url_helpers.h"

namespace pindle {
namespace {

constexpr int kHistoryLinksLooked = 200;

Text WithoutServicePrefix(const Text& host) {
  for (const char* prefix : {"api.", "api-ssl.", "www."})
    if (host.starts_with(prefix)) return host.substr(std::char_traits<char>::length(prefix));
  return host;
}

}  // namespace

bool WorthShortening(const Text& text, const Text& ownText, const std::set<Text>& shortLinkHosts) {
  const std::optional<Text> address = SingleAddress(text);
  if (!address || address->size() < kWatchedAddressMinimum) return false;
  if (!ownText.empty() && SingleAddress(ownText) == address) return false;
  const Text host = UrlHost(*address, true);
  return shortLinkHosts.count(host) == 0 && shortLinkHosts.count(WithoutServicePrefix(host)) == 0;
}

std::set<Text> ShortLinkHosts(Controls& ui) {
  std::set<Text> hosts;
  // A window that has not loaded its list yet: the folder itself.
  PluginCatalog catalog = LoadedPluginsOf(ui).catalog();
  if (catalog.empty()) catalog = PluginCatalog::Load(Paths().plugDir);
  std::vector<Text> files;
  for (const PluginInfo* plugin : catalog.enabled()) files.push_back(plugin->path);
  for (const Text& file : files) {
    const Text host = UrlHost(PluginDefinition::FromFile(file).apiPath(), true);
    if (!host.empty()) hosts.insert(WithoutServicePrefix(host));
  }
  for (const HistoryEntry& entry : HistoryStore(HistoryFile(Paths())).find("", kHistoryLinksLooked))
    if (entry.failure.empty() && IsLink(entry.result)) hosts.insert(UrlHost(entry.result, true));
  return hosts;
}

}  // namespace pindle
