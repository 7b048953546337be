#include "plugins/plugin_registry.h"

#include <algorithm>
#include <mutex>
#include <string>
#include <vector>

#include "config/app_paths.h"
#include "config/settings.h"
#include "history/plugin_health.h"
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
void OfferPlugins(Controls& ui, const std::vector<Text>& names, const std::vector<bool>& marked) {
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

bool LooksDead(const Text& status) { return PluginHealth{status, {}}.dead(); }

void OfferRows(Controls& ui, const std::vector<PluginRow>& rows) {
  std::vector<Text> names;
  std::vector<bool> marked;
  for (const auto& row : rows) {
    if (row[kPluginSwitchColumn] != kSwitchOn) continue;
    names.push_back(row[kPluginNameColumn]);
    marked.push_back(LooksDead(row[kPluginStatusColumn]));
  }
  OfferPlugins(ui, names, marked);
}

Text SetSwitch(Controls& ui, const char* value) {
  ListControl& list = ui.pluginList();
  const int row = list.selectedRow();
  if (row < 0) return {};
  const Text name = list.cell(row, kPluginNameColumn);
  // Without a name there is no key to keep the switch under; showing one would be a lie.
  if (name.empty()) return {};
  if (Text problem = SwitchKeyProblem(name); !problem.empty()) return problem;
  if (!Settings::write(kPluginSwitchSection, name, value)) return "开关未能保存：Setting.ini 无法写入";
  list.setCell(row, kPluginSwitchColumn, value);
  PluginRegistry::refreshChoice(ui);
  return {};
}

// A name that would lead the configuration file's path out of the Deploy directory.
bool LeavesDirectory(const Text& name) {
  return name.find('/') != Text::npos || name.find('\\') != Text::npos || name == "." || name == "..";
}

}  // namespace

void PluginRegistry::load(Controls& ui) {
  std::lock_guard lock(LoadMutex());
  // All rows are read first and handed over in one call: each call may be a round trip to the
  // window thread.
  std::vector<PluginRow> rows = ReadPluginRows(Paths().plugDir);
  std::vector<Text> names;
  for (const auto& row : rows) names.push_back(row[kPluginNameColumn]);
  const std::vector<PluginHealth> health = ReadPluginHealth(names, Paths().deployDir);
  for (size_t i = 0; i < rows.size(); ++i) {
    rows[i].resize(kPluginColumnCount);
    rows[i][kPluginStatusColumn] = health[i].cell;
    rows[i][kPluginStatusTipColumn] = health[i].tip;
  }
  ui.pluginList().setRows(rows);
  OfferRows(ui, rows);
  ui.setStatusText("插件加载完成！共加载 " + std::to_string(rows.size()) + " 个插件");
}

void PluginRegistry::refreshChoice(Controls& ui) {
  ListControl& list = ui.pluginList();
  std::vector<PluginRow> rows;
  const int count = list.rowCount();
  for (int row = 0; row < count; ++row)
    rows.push_back({list.cell(row, kPluginNameColumn),
                    list.cell(row, kPluginSwitchColumn),
                    {},
                    {},
                    {},
                    {},
                    {},
                    list.cell(row, kPluginStatusColumn)});
  OfferRows(ui, rows);
}

Text PluginRegistry::enable(Controls& ui) { return SetSwitch(ui, kSwitchOn); }

Text PluginRegistry::disable(Controls& ui) { return SetSwitch(ui, kSwitchOff); }

void PluginRegistry::onDoubleClick(Controls& ui) {
  ListControl& list = ui.pluginList();
  const int row = list.selectedRow();
  if (row >= 0 && ui.settingBox(SettingBox::DoubleClickToggle).isChecked()) {
    const Text state = list.cell(row, kPluginSwitchColumn);
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
  ListControl& list = ui.pluginList();
  const int row = list.selectedRow();
  if (row < 0) return false;
  // A plug-in that names its fields is configured in a form of its own.
  ui.menuItem(MenuItem::ModifyConfig)
      .setEnabled(list.cell(row, kPluginDeployColumn) == "有" ||
                  !PluginDefinition::FromFile(list.cell(row, kPluginPathColumn)).fields().empty());
  const bool on = list.cell(row, kPluginSwitchColumn) == kSwitchOn;
  ui.menuItem(MenuItem::EnablePlugin).setEnabled(!on);
  ui.menuItem(MenuItem::DisablePlugin).setEnabled(on);
  return true;
}

void PluginRegistry::refresh(Controls& ui) {
  ui.setStatusText("正在刷新本地插件！");
  StartDetached([&ui] { load(ui); });
}

void PluginRegistry::edit(Controls& ui) {
  ListControl& list = ui.pluginList();
  const int row = list.selectedRow();
  if (row < 0) return;
  const Text path = list.cell(row, kPluginPathColumn);
  if (!path.empty()) ShellOpen(path);
}

void PluginRegistry::remove(Controls& ui) {
  ListControl& list = ui.pluginList();
  const int row = list.selectedRow();
  if (row < 0) return;
  const Text path = list.cell(row, kPluginPathColumn);
  if (path.empty()) return;
  ui.discardFile(path);
  // This runs on the window thread, which must not wait for a load that may be running: the
  // reload goes to a thread of its own.
  StartDetached([&ui] { load(ui); });
}

void PluginRegistry::modifyConfiguration(Controls& ui) {
  ListControl& list = ui.pluginList();
  const int row = list.selectedRow();
  if (row < 0) return;
  const Text name = list.cell(row, kPluginNameColumn);
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
