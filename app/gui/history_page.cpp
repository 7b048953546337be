#include "app/gui/history_page.h"

#include <QCursor>
#include <QFileDialog>

#include "app/gui/actions/result_actions.h"
#include "app/gui/text_convert.h"
#include "history/history_csv.h"
#include "history/history_store.h"
#include "platform/files.h"
#include "web/link_check.h"

namespace pindle {

HistoryPage::HistoryPage(const Widgets& widgets, Controls& ui, LinkAction showQr, LinkAction expand, QObject* parent)
    : QObject(parent), w_(widgets), ui_(ui), showQr_(std::move(showQr)), expand_(std::move(expand)) {
  // Several rows can go at once.
  w_.list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  connect(w_.search, &QLineEdit::textChanged, this, &HistoryPage::reload);
  connect(w_.exportButton, &QPushButton::clicked, this, [this] {
    const QString path = QFileDialog::getSaveFileName(w_.list->window(), QStringLiteral("导出 CSV"),
                                                      QStringLiteral("历史.csv"), QStringLiteral("CSV 文件 (*.csv)"));
    if (!path.isEmpty()) exportCsv(path);
  });
  connect(w_.list, &QWidget::customContextMenuRequested, this, &HistoryPage::onRightClick);
  connect(w_.list, &ReportList::doubleClickedAnywhere, this, [this] {
    if (!w_.list->selectedItems().isEmpty() && ui_.settingBox(SettingBox::DoubleClickCopy).isChecked()) copySelected();
  });
  auto item = [this](const QString& caption, auto action) {
    QAction* chosen = w_.menu->addAction(caption);
    chosen->setObjectName(caption);
    connect(chosen, &QAction::triggered, this, action);
  };
  item(QStringLiteral("复制网址"), [this] { copySelected(); });
  item(QStringLiteral("打开网址"), [this] { OpenLink(ui_, selectedLink()); });
  w_.menu->addSeparator();
  item(QStringLiteral("二维码"), [this] { showQr_(selectedLink()); });
  item(QStringLiteral("展开短网址"), [this] { expand_(selectedLink()); });
  w_.menu->addSeparator();
  item(QStringLiteral("删除记录"), [this] { deleteSelected(); });
}

void HistoryPage::reload() {
  w_.list->clear();
  // Looking at an empty history must not create its file.
  if (!FileExists(HistoryFile(Paths()))) return;
  Text error;
  const auto entries = HistoryStore(HistoryFile(Paths())).find(FromQt(w_.search->text()), kShownRows, &error);
  if (!error.empty()) ui_.setStatusText("历史记录无法读取：" + error);
  QList<QTreeWidgetItem*> rows;
  for (const auto& e : entries) {
    const QString clicks = e.state == LinkState::Deleted ? ToQt(LinkStateText(e.state))
                           : e.clicks                    ? QString::number(*e.clicks)
                                                         : QString();
    rows.append(new QTreeWidgetItem(QStringList{ToQt(e.plugin), ToQt(e.result), ToQt(e.longUrl),
                                                ToQt(FormatHistoryTime(e.unixTime)), clicks, ToQt(e.failure),
                                                QString::number(e.id)}));
  }
  w_.list->addTopLevelItems(rows);
}

bool HistoryPage::exportCsv(const QString& path) {
  Text error;
  const auto entries = HistoryStore(HistoryFile(Paths())).find(FromQt(w_.search->text()), 0, &error);
  if (error.empty() && !WriteFileAtomically(FromQt(path), HistoryToCsv(entries))) error = "无法写入 " + FromQt(path);
  ui_.setStatusText(error.empty() ? "历史已导出 " + std::to_string(entries.size()) + " 条" : "历史导出失败：" + error);
  return error.empty();
}

void HistoryPage::deleteSelected() {
  std::vector<std::int64_t> ids;
  for (const QTreeWidgetItem* row : w_.list->selectedItems()) ids.push_back(row->text(IdColumn).toLongLong());
  Text error;
  if (!HistoryStore(HistoryFile(Paths())).remove(ids, &error))
    ui_.setStatusText("历史记录未能删除：" + error);
  else
    ui_.setStatusText("已删除 " + std::to_string(ids.size()) + " 条历史记录");
  reload();
}

void HistoryPage::copySelected() { CopyLink(ui_, selectedLink()); }

Text HistoryPage::selectedLink() const {
  const QTreeWidgetItem* row = w_.list->currentItem();
  if (!row || !row->isSelected()) {
    const auto selected = w_.list->selectedItems();
    row = selected.isEmpty() ? nullptr : selected.first();
  }
  return row ? FromQt(row->text(LinkColumn)) : Text();
}

void HistoryPage::onRightClick() {
  if (w_.list->selectedItems().isEmpty()) return;
  const bool usable = IsLink(selectedLink());
  for (const char* name : {"复制网址", "打开网址", "二维码", "展开短网址"})
    w_.menu->findChild<QAction*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly)->setEnabled(usable);
  w_.menu->popup(QCursor::pos());
}

}  // namespace pindle
