#pragma once
#include "app/gui/actions/controls.h"
#include "platform/background.h"
#include "plugins/plugin_catalog.h"
#include "plugins/plugin_rows.h"

namespace pindle {

// The local plug-ins in the window: 插件_插件列表 and 生成_批量接口 show a PluginCatalog.
class PluginRegistry {
 public:
  // Reads the catalog of plugDir (with each plug-in's health: its last check and last uses) and
  // shows it: every row, the plug-in choice, then the count. Loads are serialised: overlapping
  // calls never interleave rows. Without folders: the program's own.
  static void load(Controls& ui, const AppPaths& paths);
  static void load(Controls& ui);
  // Shows `catalog` as the loaded plug-ins: its rows, then the plug-in choice.
  static void show(Controls& ui, const PluginCatalog& catalog);
  // Rebuilds 生成_批量接口 from the rows; the user's pick stays chosen while its name is offered,
  // and a plug-in whose 状态 says it failed is marked.
  static void refreshChoice(Controls& ui);
  // The selected row's plug-in on or off; why the switch could not be saved (the row then stays
  // as it was), or empty.
  static Text enable(Controls& ui);
  static Text disable(Controls& ui);
  static void onDoubleClick(Controls& ui);
  // Right-click: false when no row is selected; otherwise sets the menu items and returns true.
  static bool prepareMenu(Controls& ui);
  // Status text, then the load on a thread of `workers` (one whose owner keeps ui until it ends).
  static void refresh(Controls& ui, Workers& workers);
  static void edit(Controls& ui);
  static void remove(Controls& ui, Workers& workers);
  static void modifyConfiguration(Controls& ui);
};

}  // namespace pindle
