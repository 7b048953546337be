#include "app/gui/actions/plugin_registry.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/gui/actions/loaded_plugins.h"
#include "config/app_paths.h"
#include "platform/background.h"
#include "platform/files.h"
#include "platform/shell_open.h"
#include "plugins/plugin_definition.h"
#include "plugins/plugin_rows.h"

namespace pindle {
namespace {

// Serialises loads (start-up, refresh, the cloud pull, delete): each one replaces the rows, the
// choice and the status text as a whole. Only worker threads take it; code on the window thread
// must never wait for it, since a load holding it waits for the window thread in every call.
std::mutex& LoadMutex() {
  static std::mutex mutex;
  return mutex;
}

// Offers `names` in 生成_批量接口 and keeps the user's pick when its name is still offered.
// Among equal names the pick stays on the same occurrence, or on the first when that is gone.
void OfferPlugins(Controls& ui, const std::vector<Text>& names, const std::vector<ChoiceMark>& marked) {
  ChoiceControl& choice = ui.pluginChoice();
  const std::vector<Text> before = choice.items();
  const int current = choice.currentIndex();
  int selected = -1;
  if (current >= 0 && current < static_cast<int>(before.size())) {
    const Text& picked = before[static_cast<size_t>(current)];
    const auto occurrence = std::count(before.begin(), before.begin() + current, picked);
    long seen = 0;
    for (size_t i = 0; i < names.size(); ++i) {
      if (names[i] != picked) continue;
      if (selected < 0) selected = static_cast<int>(i);
      if (seen++ == occurrence) {
        selected = static_cast<int>(i);
        break;
      }
    }
  }
  choice.setItems(names, selected);
  choice.setMarked(marked);
}

void OfferCatalog(Controls& ui, const PluginCatalog& catalog) {
  std::vector<Text> names;
  std::vector<ChoiceMark> marked;
  for (const PluginInfo* plugin : catalog.enabled()) {
    names.push_back(plugin->name);
    marked.push_back({.dead = plugin->health.dead(), .waitsForValues = plugin->waitsForValues});
  }
  OfferPlugins(ui, names, marked);
}

// The plug-in of the selected row, as last loaded.
std::optional<PluginInfo> SelectedPlugin(Controls& ui) {
  const int row = ui.pluginList().selectedRow();
  return row < 0 ? std::nullopt : LoadedPluginsOf(ui).at(row);
}

Text SetSwitch(Controls& ui, bool on) {
  ListControl& list = ui.pluginList();
  const int row = list.selectedRow();
  const std::optional<PluginInfo> plugin = LoadedPluginsOf(ui).at(row);
  // Without a name there is no key to keep the switch under; showing one would be a lie.
  if (!plugin || plugin->name.empty()) return {};
  if (Text problem = SavePluginSwitch(plugin->name, on); !problem.empty()) return problem;
  LoadedPluginsOf(ui).setSwitch(row, on ? kSwitchOn : kSwitchOff);
  list.setCell(row, kPluginSwitchColumn, on ? kSwitchOn : kSwitchOff);
  PluginRegistry::refreshChoice(ui);
  return {};
}

// A name that would lead the configuration file's path out of the Deploy directory.
bool LeavesDirectory(const Text& name) {
  return name.find('/') != Text::npos || name.find('\\') != Text::npos || name == "." || name == "..";
}

}  // namespace

void PluginRegistry::load(Controls& ui, const AppPaths& paths) {
  std::lock_guard lock(LoadMutex());
  const PluginCatalog catalog = LoadListedPlugins(paths);
  show(ui, catalog);
  ui.setStatusText("插件加载完成！共加载 " + std::to_string(catalog.size()) + " 个插件");
}

void PluginRegistry::show(Controls& ui, const PluginCatalog& catalog) {
  // The catalog first: whoever sees the new rows finds them in it.
  LoadedPluginsOf(ui).replace(catalog);
  // All rows are handed over in one call: each call may be a round trip to the window thread.
  ui.pluginList().setRows(PluginListRows(catalog));
  OfferCatalog(ui, catalog);
}

void PluginRegistry::load(Controls& ui) { load(ui, Paths()); }

void PluginRegistry::refreshChoice(Controls& ui) {
  // Switches and health change in the loaded catalog as they change in the rows; values stored
  // since the load are read again.
  PluginCatalog catalog = LoadedPluginsOf(ui).catalog();
  catalog.readValueState(Paths().deployDir);
  OfferCatalog(ui, catalog);
}

Text PluginRegistry::enable(Controls& ui) { return SetSwitch(ui, true); }

Text PluginRegistry::disable(Controls& ui) { return SetSwitch(ui, false); }

void PluginRegistry::onDoubleClick(Controls& ui) {
  const std::optional<PluginInfo> plugin = SelectedPlugin(ui);
  if (plugin && ui.settingBox(SettingBox::DoubleClickToggle).isChecked()) {
    const Text& state = plugin->switchState;
    Text problem;
    if (state == kSwitchOn)
      problem = disable(ui);
    else if (state == kSwitchOff)
      problem = enable(ui);
    if (!problem.empty()) ui.setStatusText(problem);
  }
  refreshChoice(ui);
}

bool PluginRegistry::prepareMenu(Controls& ui) {
  if (ui.pluginList().selectedRow() < 0) return false;
  const PluginInfo plugin = SelectedPlugin(ui).value_or(PluginInfo{});
  // A plug-in that names its fields is configured in a form of its own.
  ui.menuItem(MenuItem::ModifyConfig)
      .setEnabled(DeployCellText(plugin.deploy) == "有" || !PluginDefinition::FromFile(plugin.path).fields().empty());
  const bool on = plugin.enabled();
  ui.menuItem(MenuItem::EnablePlugin).setEnabled(!on);
  ui.menuItem(MenuItem::DisablePlugin).setEnabled(on);
  return true;
}

void PluginRegistry::refresh(Controls& ui, Workers& workers) {
  ui.setStatusText("正在刷新本地插件！");
  workers.start([&ui](std::stop_token) { load(ui); });
}

void PluginRegistry::edit(Controls& ui) {
  const std::optional<PluginInfo> plugin = SelectedPlugin(ui);
  if (plugin && !plugin->path.empty()) ShellOpen(plugin->path);
}

void PluginRegistry::remove(Controls& ui, Workers& workers) {
  const std::optional<PluginInfo> plugin = SelectedPlugin(ui);
  if (!plugin || plugin->path.empty()) return;
  ui.discardFile(plugin->path);
  // This runs on the window thread, which must not wait for a load that may be running: the
  // reload goes to a thread of its own.
  workers.start([&ui](std::stop_token) { load(ui); });
}

void PluginRegistry::modifyConfiguration(Controls& ui) {
  const std::optional<PluginInfo> plugin = SelectedPlugin(ui);
  if (!plugin) return;
  const Text& name = plugin->name;
  const Text path = Paths().deployDir + name + ".ini";
  if (!LeavesDirectory(name) && FileExists(path)) {
    ShellOpen(path);
    return;
  }
  Notice notice;
  notice.message = "哦豁！没有配置文件\r\n联系一下插件开发者吧！";
  ui.showNotice(notice);
}

}  // namespace pindle
