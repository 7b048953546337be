#pragma once
#include <cstdint>
#include <mutex>
#include <optional>

#include "app/gui/actions/controls.h"
#include "plugins/plugin_catalog.h"

namespace pindle {

// The catalog the window last loaded, row for row what 插件_插件列表 shows: the window's procedures
// take a plug-in's name, file and switch from here, not from the cells. Loads run on worker
// threads while the window thread reads, so every access takes the lock.
class LoadedPlugins {
 public:
  void replace(PluginCatalog catalog);
  PluginCatalog catalog() const;
  // The plug-in shown in that row; none for a row the catalog does not hold.
  std::optional<PluginInfo> at(int row) const;
  // The row of the plug-in of that name (FindPluginName), or -1.
  int find(const Text& name) const;
  // The row that lists that file, or -1.
  int rowOfFile(const Text& path) const;
  void setSwitch(int row, const Text& state);
  void setHealth(int row, const PluginHealth& health);
  // Changes with every replacement and every change of a plug-in.
  std::uint64_t revision() const;

 private:
  mutable std::mutex mutex_;
  std::vector<PluginInfo> plugins_;
  std::uint64_t revision_ = 0;
};

inline LoadedPlugins& LoadedPluginsOf(Controls& ui) { return ui.kept<LoadedPlugins>(); }

}  // namespace pindle
