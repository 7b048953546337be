#include "app/gui/actions/clipboard_plugin.h"

#include "app/gui/actions/loaded_plugins.h"
#include "config/app_paths.h"

namespace pindle {

BatchPlugin PluginForClipboard(Controls& ui, const Text& wanted) {
  const PluginCatalog loaded = LoadedPluginsOf(ui).catalog();
  const bool fromList = !loaded.empty();
  // A window that has not loaded its list yet: the folder itself.
  if (!fromList) return ClipboardPlugin(PluginCatalog::Load(Paths().plugDir), wanted);
  return ClipboardPlugin(loaded, wanted.empty() ? ui.pluginChoice().currentText() : wanted);
}

}  // namespace pindle
