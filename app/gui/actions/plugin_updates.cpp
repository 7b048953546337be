#include "app/gui/actions/plugin_updates.h"

#include "app/gui/actions/loaded_plugins.h"
#include "app/gui/actions/plugin_registry.h"

namespace pindle {

PullReport CloudPluginPull(Controls& ui, const Config& config, std::stop_token stop) {
  ui.setStatusText("正在拉取云端插件！");
  const PullReport report = PullPlugins({config.pluginListAddress, config.paths.plugDir, config.verifyTls, stop});
  if (stop.stop_requested()) return report;
  PluginRegistry::load(ui, config.paths);
  ui.setStatusText(PullStatusText(static_cast<size_t>(ui.pluginList().rowCount()), report));
  return report;
}

void UpdateSinglePlugin(Controls& ui, bool verifyTls) {
  const int row = ui.pluginList().selectedRow();
  if (row < 0) return;
  // The file is the one chosen now, even if the selection moves during the download.
  const Text path = LoadedPluginsOf(ui).at(row).value_or(PluginInfo{}).path;
  ui.setStatusText(UpdatePluginFile(path, verifyTls).status);
}

}  // namespace pindle
