#include "app/gui/history_page.h"

#include <QCursor>
#include <QFileDialog>
#include <QHash>
#include <set>

#include "app/gui/actions/result_actions.h"
#include "app/gui/clicks_chart.h"
#include "app/gui/text_convert.h"
#include "history/history_csv.h"
#include "history/history_store.h"
#include "platform/files.h"
#include "web/link_check.h"

namespace pindle {

HistoryPage::HistoryPage(const Widgets& widgets, Controls& ui, WindowActions& actions, LinkAction showQr,
                         LinkAction expand, QObject* parent)
    : QObject(parent), w_(widgets), ui_(ui), actions_(actions), showQr_(std::move(showQr)), expand_(std::move(expand)) {
  connect(this, &HistoryPage::linkEventsPending, this, &HistoryPage::showLinkEvents, Qt::QueuedConnection);
  connect(w_.refreshButton, &QPushButton::clicked, this, &HistoryPage::refreshClicks);
  connect(w_.list, &QTreeWidget::itemSelectionChanged, this, &HistoryPage::showChart);
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
  item(QStringLiteral("刷新点击"), [this] { refreshClicks(); });
  item(QStringLiteral("删除短网址"), [this] { deleteLinks(); });
  syncMenu_ = w_.menu->addMenu(QStringLiteral("同步服务端链接"));
  syncMenu_->setObjectName(QStringLiteral("同步服务端链接"));
  connect(syncMenu_, &QMenu::aboutToShow, this, &HistoryPage::fillSyncMenu);
  fillSyncMenu();
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
  showChart();
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

std::vector<Text> HistoryPage::chosenLinks() const {
  QList<QTreeWidgetItem*> rows = w_.list->selectedItems();
  // Every row shown, but the links deleted at their services: they have nothing more to count.
  const QString deleted = ToQt(LinkStateText(LinkState::Deleted));
  if (rows.isEmpty())
    for (int i = 0; i < w_.list->topLevelItemCount(); ++i)
      if (w_.list->topLevelItem(i)->text(ClicksColumn) != deleted) rows.append(w_.list->topLevelItem(i));
  std::vector<Text> links;
  std::set<Text> seen;
  for (const QTreeWidgetItem* row : rows) {
    // Failed passes hold the service's text, not a link; a link made twice is asked once.
    const Text link = FromQt(row->text(LinkColumn));
    if (IsLink(link) && seen.insert(link).second) links.push_back(link);
  }
  return links;
}

void HistoryPage::onRightClick() {
  const bool selected = !w_.list->selectedItems().isEmpty();
  const bool usable = selected && IsLink(selectedLink());
  for (const char* name : {"复制网址", "打开网址", "二维码", "展开短网址", "删除短网址"})
    w_.menu->findChild<QAction*>(QString::fromUtf8(name), Qt::FindDirectChildrenOnly)->setEnabled(usable);
  w_.menu->findChild<QAction*>(QStringLiteral("删除记录"), Qt::FindDirectChildrenOnly)->setEnabled(selected);
  fillSyncMenu();
  w_.menu->popup(QCursor::pos());
}

void HistoryPage::fillSyncMenu() {
  syncMenu_->clear();
  for (const Text& name : actions_.listingPlugins(ui_)) {
    QAction* action = syncMenu_->addAction(ToQt(name));
    action->setObjectName(QStringLiteral("同步_") + ToQt(name));
    connect(action, &QAction::triggered, this, [this, name] { syncLinks(name); });
  }
  if (syncMenu_->isEmpty()) syncMenu_->addAction(QStringLiteral("（没有能列出短网址的插件）"))->setEnabled(false);
}

void HistoryPage::started() {
  ++running_;
  w_.refreshButton->setEnabled(false);
}

void HistoryPage::refreshClicks() {
  if (running_ > 0) return;  // one refresh at a time: the button is off meanwhile
  const std::vector<Text> links = chosenLinks();
  if (links.empty()) {
    ui_.setStatusText("没有可刷新点击的短网址");
    return;
  }
  started();
  actions_.refreshClicksChosen(ui_, links, *this);
}

void HistoryPage::deleteLinks() {
  if (w_.list->selectedItems().isEmpty()) return;
  const std::vector<Text> links = chosenLinks();
  if (links.empty()) return;
  Notice question;
  question.title = "删除短网址";
  question.message = links.size() == 1
                         ? "要在服务端删除 " + links[0] + " 吗？删除后它不再跳转。"
                         : "要在服务端删除这 " + std::to_string(links.size()) + " 个短网址吗？删除后它们不再跳转。";
  question.buttons = kButtonsOkCancel;
  question.timeoutMs = 0;  // a delete is never agreed to by waiting
  question.okText = "删除";
  if (ui_.showNotice(question) != kNoticeOk) {
    ui_.setStatusText("没有删除短网址");
    return;
  }
  started();
  actions_.deleteLinksChosen(ui_, links, *this);
}

void HistoryPage::syncLinks(const Text& plugin) {
  started();
  actions_.syncLinksChosen(ui_, plugin, *this);
}

void HistoryPage::clicksFetched(const Text& link, const LinkOutcome& outcome) { push(Fetched{link, outcome, false}); }
void HistoryPage::linkDeleted(const Text& link, const LinkOutcome& outcome) { push(Fetched{link, outcome, true}); }
void HistoryPage::progress(const Text& status) { push(Progress{status}); }
void HistoryPage::linksDone(const Text& status, bool rowsAdded) { push(Done{status, rowsAdded}); }

void HistoryPage::push(LinkEvent event) {
  bool first = false;
  {
    const std::lock_guard lock(eventsMutex_);
    first = events_.empty();
    events_.push_back(std::move(event));
  }
  // One signal for whatever comes until the window thread takes it: thousands of results cost
  // a few repaints, not one each.
  if (first) emit linkEventsPending();
}

void HistoryPage::showLinkEvents() {
  std::vector<LinkEvent> events;
  {
    const std::lock_guard lock(eventsMutex_);
    events.swap(events_);
  }
  QHash<QString, QList<QTreeWidgetItem*>> rows;
  for (int i = 0; i < w_.list->topLevelItemCount(); ++i)
    rows[w_.list->topLevelItem(i)->text(LinkColumn)].append(w_.list->topLevelItem(i));
  bool chartChanged = false;
  for (LinkEvent& event : events) {
    if (auto* done = std::get_if<Done>(&event)) {
      --running_;
      if (running_ <= 0) w_.refreshButton->setEnabled(true);
      if (done->rowsAdded) reload();
      ui_.setStatusText(done->status);
      continue;
    }
    if (auto* step = std::get_if<Progress>(&event)) {
      ui_.setStatusText(step->status);
      continue;
    }
    const Fetched& f = std::get<Fetched>(event);
    const char* what = f.deleted ? "删除失败：" : "刷新点击失败：";
    for (QTreeWidgetItem* row : rows.value(ToQt(f.link))) {
      if (!f.outcome.ok) {
        // The last count stays; why it is not fresh shows over the row.
        for (int c = 0; c < IdColumn; ++c) row->setToolTip(c, ToQt(what + f.outcome.error));
        continue;
      }
      for (int c = 0; c < IdColumn; ++c) row->setToolTip(c, QString());
      row->setText(ClicksColumn,
                   f.deleted ? ToQt(LinkStateText(LinkState::Deleted)) : QString::number(f.outcome.clicks.value_or(0)));
    }
    if (!f.deleted && f.outcome.ok && !f.outcome.series.empty()) {
      series_[f.link] = f.outcome.series;
      chartChanged = true;
    }
  }
  if (chartChanged) showChart();
}

void HistoryPage::showChart() {
  if (!w_.chart) return;
  const Text link = w_.list->selectedItems().isEmpty() ? Text() : selectedLink();
  auto it = series_.find(link);
  // The series fetched before this run of the program, as the history kept it.
  if (it == series_.end() && !link.empty()) {
    std::map<Text, std::vector<DayClicks>> kept = HistoryStore(HistoryFile(Paths())).clickSeries({link});
    if (auto found = kept.find(link); found != kept.end()) it = series_.emplace(link, std::move(found->second)).first;
  }
  if (it != series_.end())
    w_.chart->showSeries(link, it->second);
  else
    w_.chart->showNothing(link.empty() ? QStringLiteral("选中一行并刷新点击后显示每日点击")
                                       : QStringLiteral("刷新点击后显示每日点击（服务给出时）"));
}

}  // namespace pindle
