#include "app/cli/link_tasks.h"

#include <istream>

#include "config/app_paths.h"
#include "secrets/plugin_inputs.h"
#include "text/text_utils.h"

namespace pindle::cli {

LinkTasks::LinkTasks(Text pluginName, Streams& io) : catalog_(LoadPluginCatalog()), history_(HistoryFile(Paths())) {
  if (pluginName.empty()) return;
  named_ = FindNamedPlugin(catalog_, pluginName, io);
  ready_ = named_ != nullptr;
}

LinkTask LinkTasks::taskOf(const PluginInfo* plugin) const {
  LinkTask task;
  if (plugin == nullptr) return task;
  task.pluginName = plugin->name;
  task.pluginFile = plugin->path;
  task.inputs = StoredPluginInputs(plugin->path, Paths().deployDir);
  return task;
}

LinkTask LinkTasks::taskFor(const Text& link) const {
  const std::optional<HistoryEntry> made = history_.findLink(link);
  LinkTask task = taskOf(named_ ? named_ : made ? catalog_.find(made->plugin) : nullptr);
  if (task.pluginName.empty() && made) task.pluginName = made->plugin;
  task.ref.link = link;
  // An id is the service's own only for the plug-in that made the link.
  if (made && made->plugin == task.pluginName) task.ref.serviceId = made->serviceId;
  return task;
}

std::vector<Text> LinksNamed(const std::vector<Text>& arguments, std::istream& in) {
  std::vector<Text> links;
  if (!arguments.empty()) return arguments;
  for (Text line; std::getline(in, line);) {
    line = Trim(line);
    if (!line.empty()) links.push_back(line);
  }
  return links;
}

}  // namespace pindle::cli
