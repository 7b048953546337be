#pragma once
#include "app/gui/actions/controls.h"

namespace pindle {

// 检测插件: the selected row's plug-in, or every plug-in that is on when no row is selected,
// checked at once (CheckPlugins) on the calling thread, progress in the status bar; each
// outcome goes into its row's 状态 cell and tool tip, into Deploy/<Name>.ini, and into the mark
// of the 生成 choice.
void CheckListedPlugins(Controls& ui);

}  // namespace pindle
