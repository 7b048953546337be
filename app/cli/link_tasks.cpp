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

PluginInputsOf LinkTasks::inputsOf() {
  return [](const PluginInfo& plugin) { return StoredPluginInputs(plugin.path, Paths().deployDir); };
}

namespace {
constexpr const char* kNamePluginAdvice = "（请用 -p 指定）";
}

LinkTask LinkTasks::taskFor(const Text& link) const {
  LinkTask task = LinkTaskFor(link, catalog_, history_, named_, inputsOf());
  task.noPluginAdvice = kNamePluginAdvice;
  return task;
}

std::vector<LinkTask> LinkTasks::tasksFor(const std::vector<Text>& links) const {
  std::vector<LinkTask> tasks = LinkTasksFor(links, catalog_, history_, named_, inputsOf());
  for (LinkTask& task : tasks) task.noPluginAdvice = kNamePluginAdvice;
  return tasks;
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
