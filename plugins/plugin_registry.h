#pragma once
#include "platform/controls.h"

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

// The local plug-ins: the rows of 插件_插件列表 are the registry.
class PluginRegistry {
 public:
  // Rebuilds every row from plugDir (with each plug-in's health: its last check and last uses)
  // and the plug-in choice, then reports the count. Loads are serialised: overlapping calls
  // never interleave rows.
  static void load(Controls& ui);
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
  static void refresh(Controls& ui);  // status text, then load on a new thread
  static void edit(Controls& ui);
  static void remove(Controls& ui);
  static void modifyConfiguration(Controls& ui);
};

}  // namespace pindle
