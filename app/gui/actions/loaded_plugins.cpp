#include "app/gui/actions/loaded_plugins.h"

namespace pindle {

void LoadedPlugins::replace(PluginCatalog catalog) {
  const std::lock_guard lock(mutex_);
  plugins_ = catalog.plugins();
  ++revision_;
}

PluginCatalog LoadedPlugins::catalog() const {
  const std::lock_guard lock(mutex_);
  return PluginCatalog(plugins_);
}

std::optional<PluginInfo> LoadedPlugins::at(int row) const {
  const std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(plugins_.size())) return std::nullopt;
  return plugins_[static_cast<size_t>(row)];
}

int LoadedPlugins::find(const Text& name) const {
  const std::lock_guard lock(mutex_);
  std::vector<Text> names;
  for (const PluginInfo& plugin : plugins_) names.push_back(plugin.name);
  return FindPluginName(names, name);
}

int LoadedPlugins::rowOfFile(const Text& path) const {
  const std::lock_guard lock(mutex_);
  for (size_t row = 0; row < plugins_.size(); ++row)
    if (plugins_[row].path == path) return static_cast<int>(row);
  return -1;
}

void LoadedPlugins::setSwitch(int row, const Text& state) {
  const std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(plugins_.size())) return;
  plugins_[static_cast<size_t>(row)].switchState = state;
  ++revision_;
}

void LoadedPlugins::setHealth(int row, const PluginHealth& health) {
  const std::lock_guard lock(mutex_);
  if (row < 0 || row >= static_cast<int>(plugins_.size())) return;
  plugins_[static_cast<size_t>(row)].health = health;
  ++revision_;
}

std::uint64_t LoadedPlugins::revision() const {
  const std::lock_guard lock(mutex_);
  return revision_;
}

}  // namespace pindle
