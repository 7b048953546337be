#include "plugins/plugin_rows.h"

namespace pindle {

PluginRow PluginListRow(const PluginInfo& plugin) {
  PluginRow row(kPluginColumnCount);
  row[kPluginNameColumn] = plugin.name;
  row[kPluginSwitchColumn] = plugin.switchState;
  row[kPluginDeployColumn] = DeployCellText(plugin.deploy);
  row[kPluginVersionColumn] = plugin.version;
  row[kPluginAuthorColumn] = plugin.author;
  row[kPluginUpdatedColumn] = plugin.updated;
  row[kPluginPathColumn] = plugin.path;
  row[kPluginStatusColumn] = plugin.health.cell;
  row[kPluginStatusTipColumn] = plugin.health.tip;
  return row;
}

std::vector<PluginRow> PluginListRows(const PluginCatalog& catalog) {
  std::vector<PluginRow> rows;
  rows.reserve(catalog.size());
  for (const PluginInfo& plugin : catalog.plugins()) rows.push_back(PluginListRow(plugin));
  return rows;
}

}  // namespace pindle
