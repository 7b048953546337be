#pragma once
#include <stop_token>
#include <vector>

#include "app/gui/actions/controls.h"
#include "generate/link_operations.h"

namespace pindle {

// What the 历史 page shows of the operations on its links. Called on the worker thread that runs
// them, never waiting for the window: the page brings each call to the window thread itself.
class HistoryLinkView {
 public:
  virtual ~HistoryLinkView() = default;
  virtual void clicksFetched(const Text& link, const LinkOutcome& outcome) = 0;
  virtual void linkDeleted(const Text& link, const LinkOutcome& outcome) = 0;
  // A text for the status bar while the operation runs ("刷新点击 12/40").
  virtual void progress(const Text& status) = 0;
  // The operation ended with `status`; `rowsAdded`: the history file gained rows.
  virtual void linksDone(const Text& status, bool rowsAdded) = 0;
};

// 刷新点击: the clicks of `links`, each through the plug-in the history says made it, all at once
// (并发数 to each service) on the calling thread; the counts go into the history. Blocks; the
// window runs it on a worker.
void RefreshHistoryClicks(Controls& ui, const std::vector<Text>& links, HistoryLinkView& view,
                          const std::stop_token& stop);
// 删除短网址 (the window has asked the user): each link deleted at its service, one after the
// other, and marked 已删除 in the history.
void DeleteHistoryLinks(Controls& ui, const std::vector<Text>& links, HistoryLinkView& view,
                        const std::stop_token& stop);
// 同步服务端链接: every link the service of `pluginName` lists, all pages; the ones the history
// lacks are added to it, marked found at the service.
void SyncServiceLinks(Controls& ui, const Text& pluginName, HistoryLinkView& view);
// The loaded plug-ins whose file has a List section, in list order.
std::vector<Text> ListingPlugins(Controls& ui);

}  // namespace pindle
