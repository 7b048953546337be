#pragma once
#include <optional>
#include <vector>

#include "app/cli/command.h"
#include "generate/link_history.h"
#include "history/history_store.h"

namespace pindle::cli {

// What the link commands share: the catalog, the history and the plug-in named with -p, for the
// core's LinkTaskFor.
class LinkTasks {
 public:
  // `pluginName` empty: each link's own plug-in from the history.
  LinkTasks(Text pluginName, Streams& io);
  LinkTasks(const LinkTasks&) = delete;
  LinkTasks& operator=(const LinkTasks&) = delete;
  // False (the reason on io.err) when -p names no local plug-in.
  bool ready() const { return ready_; }
  LinkTask taskFor(const Text& link) const;
  std::vector<LinkTask> tasksFor(const std::vector<Text>& links) const;
  // The task of the -p plug-in itself, for List.
  LinkTask pluginTask() const { return named_ ? PluginTask(*named_, inputsOf()) : LinkTask(); }
  const HistoryStore& history() const { return history_; }

 private:
  static PluginInputsOf inputsOf();

  PluginCatalog catalog_;
  HistoryStore history_;
  const PluginInfo* named_ = nullptr;
  bool ready_ = true;
};

// The links named: the arguments, else one a line on standard input (blank lines skipped).
std::vector<Text> LinksNamed(const std::vector<Text>& arguments, std::istream& in);

}  // namespace pindle::cli
