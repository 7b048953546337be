#include "app/gui/actions/plugin_checks.h"

#include "app/gui/actions/loaded_plugins.h"
#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "config/config.h"
#include "generate/plugin_check.h"
#include "plugins/plugin_rows.h"
#include "secrets/plugin_inputs.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

void ShowOutcome(Controls& ui, const PluginCheckResult& r) {
  // The row that now lists the file: the list may have been reloaded during the check.
  LoadedPlugins& loaded = LoadedPluginsOf(ui);
  const int row = loaded.rowOfFile(r.plugin.file);
  if (row < 0) return;
  const PluginHealth health = JudgeHealth(r.state);
  loaded.setHealth(row, health);
  ListControl& list = ui.pluginList();
  list.setCell(row, kPluginStatusColumn, health.cell);
  list.setCell(row, kPluginStatusTipColumn, health.tip);
}

}  // namespace

void CheckListedPlugins(Controls& ui) {
  const PluginCatalog catalog = LoadedPluginsOf(ui).catalog();
  std::vector<BatchPlugin> plugins;
  const Config config = Config::Read();
  auto add = [&](const PluginInfo& plugin) {
    if (plugin.name.empty()) return;
    ShortenInputs inputs = StoredPluginInputs(plugin.path, config.paths.deployDir, ValueSetting::Window);
    inputs.verifyTls = config.verifyTls;
    plugins.push_back({plugin.name, plugin.path, std::move(inputs)});
  };
  if (const int selected = ui.pluginList().selectedRow(); selected >= 0) {
    if (static_cast<size_t>(selected) < catalog.size()) add(catalog.plugins()[static_cast<size_t>(selected)]);
  } else {
    for (const PluginInfo* plugin : catalog.enabled()) add(*plugin);
  }
  if (plugins.empty()) {
    ui.setStatusText("没有可检测的插件");
    return;
  }
  const Text total = std::to_string(plugins.size());
  ui.setStatusText("正在检测插件：0/" + total);
  const auto results = CheckPlugins(plugins, kCheckUrl, [&](const PluginCheckResult& r, int done) {
    ShowOutcome(ui, r);
    ui.setStatusText("正在检测插件：" + std::to_string(done) + "/" + total);
  });
  int failed = 0;
  for (const PluginCheckResult& r : results) failed += !r.state.ok;
  PluginRegistry::refreshChoice(ui);
  const std::vector<Text> unkept = KeepCheckResults(results, Paths().deployDir);
  Text status = "检测完成：正常 " + std::to_string(results.size() - static_cast<size_t>(failed)) + " 个，失败 " +
                std::to_string(failed) + " 个";
  if (results.size() == 1)
    status =
        "检测完成：" + results[0].plugin.name + (results[0].state.ok ? " 正常" : " 失败：" + results[0].state.reason);
  if (!unkept.empty()) status += "；结果未能保存：" + Join(unkept, "；");
  ui.setStatusText(status);
}

}  // namespace pindle
