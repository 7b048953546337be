#pragma once
#include <vector>

#include "platform/types.h"
#include "plugins/plugin_catalog.h"

namespace pindle {

// Columns of 插件_插件列表.
inline constexpr int kPluginNameColumn = 0;
inline constexpr int kPluginSwitchColumn = 1;
inline constexpr int kPluginDeployColumn = 2;
inline constexpr int kPluginVersionColumn = 3;
inline constexpr int kPluginAuthorColumn = 4;
inline constexpr int kPluginUpdatedColumn = 5;
inline constexpr int kPluginPathColumn = 6;
// Beyond the seven a plug-in file gives: the last word on its health and that word's details.
inline constexpr int kPluginStatusColumn = 7;
inline constexpr int kPluginStatusTipColumn = 8;
inline constexpr int kPluginColumnCount = 9;

// The cells of one row of 插件_插件列表.
using PluginRow = std::vector<Text>;

// What the plug-in list shows of a plug-in, column by column.
PluginRow PluginListRow(const PluginInfo& plugin);
std::vector<PluginRow> PluginListRows(const PluginCatalog& catalog);

}  // namespace pindle
