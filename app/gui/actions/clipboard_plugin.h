#pragma once
#include "app/gui/actions/controls.h"
#include "generate/clipboard_shortening.h"

namespace pindle {

// The plug-in for a clipboard pass of the window: the enabled one named `wanted` (any letter
// case) when given, else the one chosen on the 生成 page, else the first enabled one, from the
// plug-in list when it is loaded and from the plug-in folder otherwise. Empty name: none.
BatchPlugin PluginForClipboard(Controls& ui, const Text& wanted);

}  // namespace pindle
