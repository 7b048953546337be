#pragma once
#include <vector>

#include "app/gui/actions/controls.h"
#include "platform/types.h"

namespace pindle {

// Before 生成 sends anything: when the chosen plug-in (the first of `pluginFiles`) lacks a value
// its request uses and none of its fallbacks (the rest) could take the lines, its 修改配置 form
// opens with the reason above the fields. 确定 stores the values and the batch then goes on with
// them; 取消 leaves the lines to fail with the reason. On the window thread.
void AskForMissingValues(Controls& ui, const std::vector<Text>& pluginFiles);

}  // namespace pindle
