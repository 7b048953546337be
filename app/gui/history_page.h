#pragma once
#include <QLineEdit>
#include <QMenu>
#include <QObject>
#include <QPushButton>
#include <functional>
#include <map>
#include <mutex>
#include <variant>
#include <vector>

#include "app/gui/actions/controls.h"
#include "app/gui/actions/window_actions.h"
#include "app/gui/report_list.h"

namespace pindle {

class ClicksChart;

// The 历史 page's behaviour: the rows of the history file, newest first, filtered by the search
// box; the result list's copy, open and double-click on them; 二维码, 展开短网址 and 删除记录 in
// its pop-up menu; 导出 CSV. And the links' own operations, run by `actions` on workers:
// 刷新点击 (button and menu: the selected rows, or every row shown), 删除短网址 after a question,
// 同步服务端链接 (a sub-menu of the plug-ins with a list); their results come to this thread by
// queued signals and go into the 点击 column, the row's tool tip, the status bar and the chart of
// the selected link's clicks by day.
class HistoryPage : public QObject, private HistoryLinkView {
  Q_OBJECT
 public:
  struct Widgets {
    QLineEdit* search = nullptr;
    QPushButton* exportButton = nullptr;
    QPushButton* refreshButton = nullptr;
    ReportList* list = nullptr;
    QMenu* menu = nullptr;
    ClicksChart* chart = nullptr;
  };
  using LinkAction = std::function<void(const Text&)>;
  HistoryPage(const Widgets& widgets, Controls& ui, WindowActions& actions, LinkAction showQr, LinkAction expand,
              QObject* parent);

  // Columns of the list; the last, hidden, holds the row's id in the history file.
  // 点击: the last count fetched, or 已删除 for a link deleted at its service.
  enum Column { PluginColumn, LinkColumn, LongUrlColumn, TimeColumn, ClicksColumn, FailureColumn, IdColumn };

  // Reads the rows again (the newest kShownRows that match the search box).
  void reload();
  // The rows matching the search box, all of them, as CSV into `path`; reports in the status bar.
  bool exportCsv(const QString& path);
  void deleteSelected();
  void copySelected();
  // 刷新点击 of the selected rows' links, or of every row shown (but those 已删除) when none is selected.
  void refreshClicks();
  // 删除短网址 of the selected rows' links, once the user said yes.
  void deleteLinks();
  void syncLinks(const Text& plugin);
  // Operations started and not yet ended.
  int running() const { return running_; }

  static constexpr int kShownRows = 1000;

 signals:
  void linkEventsPending();

 private:
  struct Fetched {
    Text link;
    LinkOutcome outcome;
    bool deleted;
  };
  struct Progress {
    Text status;
  };
  struct Done {
    Text status;
    bool rowsAdded;
  };
  using LinkEvent = std::variant<Fetched, Progress, Done>;

  // HistoryLinkView, on the worker thread.
  void clicksFetched(const Text& link, const LinkOutcome& outcome) override;
  void linkDeleted(const Text& link, const LinkOutcome& outcome) override;
  void progress(const Text& status) override;
  void linksDone(const Text& status, bool rowsAdded) override;
  void push(LinkEvent event);
  // On the window thread: everything pushed so far.
  void showLinkEvents();
  void showChart();

  Text selectedLink() const;
  std::vector<Text> chosenLinks() const;
  void onRightClick();
  void fillSyncMenu();
  void started();

  Widgets w_;
  Controls& ui_;
  WindowActions& actions_;
  LinkAction showQr_, expand_;
  QMenu* syncMenu_ = nullptr;
  int running_ = 0;
  std::mutex eventsMutex_;
  std::vector<LinkEvent> events_;
  std::map<Text, std::vector<DayClicks>> series_;  // the last series fetched, by link
};

}  // namespace pindle
