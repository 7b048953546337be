#pragma once
#include <QLineEdit>
#include <QMenu>
#include <QObject>
#include <QPushButton>
#include <functional>

#include "app/gui/actions/controls.h"
#include "app/gui/report_list.h"

namespace pindle {

// The 历史 page's behaviour: the rows of the history file, newest first, filtered by the search
// box; the result list's copy, open and double-click on them; 二维码, 展开短网址 and 删除记录 in
// its pop-up menu; 导出 CSV.
class HistoryPage : public QObject {
  Q_OBJECT
 public:
  struct Widgets {
    QLineEdit* search = nullptr;
    QPushButton* exportButton = nullptr;
    ReportList* list = nullptr;
    QMenu* menu = nullptr;
  };
  using LinkAction = std::function<void(const Text&)>;
  HistoryPage(const Widgets& widgets, Controls& ui, LinkAction showQr, LinkAction expand, QObject* parent);

  // Columns of the list; the last, hidden, holds the row's id in the history file.
  // 点击: the last count fetched (pindle stats), or 已删除 for a link deleted at its service.
  enum Column { PluginColumn, LinkColumn, LongUrlColumn, TimeColumn, ClicksColumn, FailureColumn, IdColumn };

  // Reads the rows again (the newest kShownRows that match the search box).
  void reload();
  // The rows matching the search box, all of them, as CSV into `path`; reports in the status bar.
  bool exportCsv(const QString& path);
  void deleteSelected();
  void copySelected();

  static constexpr int kShownRows = 1000;

 private:
  Text selectedLink() const;
  void onRightClick();

  Widgets w_;
  Controls& ui_;
  LinkAction showQr_, expand_;
};

}  // namespace pindle
