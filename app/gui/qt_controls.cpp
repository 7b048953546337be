#include "app/gui/qt_controls.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>

#include "app/gui/desktop_clipboard.h"
#include "app/gui/desktop_notifications.h"
#include "app/gui/display_platform.h"
#include "app/gui/notice_box.h"
#include "app/gui/on_window_thread.h"
#include "app/gui/plugin_fields_dialog.h"
#include "app/gui/text_convert.h"
#include "config/app_paths.h"
#include "plugins/plugin_definition.h"
#include "text/control_characters.h"

namespace pindle {
namespace {

// Batches of more lines than this tell the desktop when they end unseen.
constexpr int kBatchNotifiedAbove = 20;

QTreeWidgetItem* NewRow(const std::vector<Text>& cells) {
  QStringList texts;
  texts.reserve(static_cast<qsizetype>(cells.size()));
  for (const Text& cell : cells) texts << ToQt(cell);
  return new QTreeWidgetItem(texts);
}

}  // namespace

int QtList::rowCount() {
  return OnWindowThread(view_, [this] { return view_->topLevelItemCount(); });
}

void QtList::clearRows() {
  OnWindowThread(view_, [this] {
    ++revision_;
    view_->clear();
  });
}

int QtList::appendRow(const std::vector<Text>& cells) {
  return OnWindowThread(view_, [this, &cells] {
    ++revision_;
    view_->addTopLevelItem(NewRow(cells));
    return view_->topLevelItemCount() - 1;
  });
}

void QtList::setRows(const std::vector<std::vector<Text>>& rows) {
  OnWindowThread(view_, [this, &rows] {
    ++revision_;
    // One insertion of all rows: a row at a time would lay the view out a thousand times.
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const auto& cells : rows) items << NewRow(cells);
    view_->setUpdatesEnabled(false);
    view_->clear();
    view_->addTopLevelItems(items);
    view_->setUpdatesEnabled(true);
  });
}

Text QtList::cell(int row, int column) {
  return OnWindowThread(view_, [this, row, column] {
    const QTreeWidgetItem* item = row >= 0 ? view_->topLevelItem(row) : nullptr;
    return item && column >= 0 ? FromQt(item->text(column)) : Text();
  });
}

void QtList::setCell(int row, int column, const Text& text) {
  OnWindowThread(view_, [this, row, column, &text] {
    ++revision_;
    QTreeWidgetItem* item = row >= 0 ? view_->topLevelItem(row) : nullptr;
    if (item && column >= 0) item->setText(column, ToQt(text));
  });
}

int QtList::selectedRow() {
  return OnWindowThread(view_, [this] {
    const auto selected = view_->selectedItems();
    return selected.isEmpty() ? -1 : view_->indexOfTopLevelItem(selected.first());
  });
}

namespace {
// A marked item shows "× name" or "name（待配置）"; its own text stays in this role.
constexpr int kItemTextRole = Qt::UserRole + 1;

QString ItemText(const QComboBox* box, int index) {
  const QVariant own = box->itemData(index, kItemTextRole);
  return own.isValid() ? own.toString() : box->itemText(index);
}
}  // namespace

std::vector<Text> QtChoice::items() {
  return OnWindowThread(box_, [this] {
    std::vector<Text> texts;
    for (int i = 0; i < box_->count(); ++i) texts.push_back(FromQt(ItemText(box_, i)));
    return texts;
  });
}

void QtChoice::setMarked(const std::vector<ChoiceMark>& marked) {
  OnWindowThread(box_, [this, &marked] {
    for (int i = 0; i < box_->count(); ++i) {
      const QString own = ItemText(box_, i);
      const ChoiceMark mark = static_cast<size_t>(i) < marked.size() ? marked[static_cast<size_t>(i)] : ChoiceMark{};
      const bool shown = mark.dead || mark.waitsForValues;
      box_->setItemData(i, shown ? QVariant(own) : QVariant(), kItemTextRole);
      box_->setItemText(i, (mark.dead ? QStringLiteral("× ") : QString()) + own +
                               (mark.waitsForValues ? QStringLiteral("（待配置）") : QString()));
    }
  });
}

void QtChoice::setItems(const std::vector<Text>& items, int selected) {
  OnWindowThread(box_, [this, &items, selected] {
    QStringList texts;
    for (const Text& item : items) texts << ToQt(item);
    box_->clear();
    box_->addItems(texts);
    // Adding to an empty box chooses the first item by itself; the caller's choice decides.
    box_->setCurrentIndex(selected >= 0 && selected < box_->count() ? selected : -1);
  });
}

int QtChoice::currentIndex() {
  return OnWindowThread(box_, [this] { return box_->currentIndex(); });
}

Text QtChoice::currentText() {
  return OnWindowThread(
      box_, [this] { return box_->currentIndex() < 0 ? Text() : FromQt(ItemText(box_, box_->currentIndex())); });
}

void QtChoice::setCurrentIndex(int index) {
  OnWindowThread(box_, [this, index] { box_->setCurrentIndex(index >= 0 && index < box_->count() ? index : -1); });
}

QtText::QtText(QPlainTextEdit* edit) : edit_(edit) {
  QObject::connect(edit_, &QPlainTextEdit::textChanged, edit_, [this] { ++revision_; });
}

Text QtText::text() {
  return OnWindowThread(edit_, [this] { return FromQt(edit_->toPlainText()); });
}

void QtText::setText(const Text& text) {
  OnWindowThread(edit_, [this, &text] { edit_->setPlainText(ToQt(text)); });
}

bool QtCheck::isChecked() {
  return OnWindowThread(box_, [this] { return box_->isChecked(); });
}

void QtCheck::setChecked(bool checked) {
  OnWindowThread(box_, [this, checked] { box_->setChecked(checked); });
}

namespace {
// Qt reports a hidden action as disabled whatever it was set to; the item's own state is kept here.
constexpr char kEnabledState[] = "pindleEnabled";
}  // namespace

bool QtMenuItem::isEnabled() {
  return OnWindowThread(action_, [this] {
    const QVariant state = action_->property(kEnabledState);
    return state.isValid() ? state.toBool() : action_->isEnabled();
  });
}

void QtMenuItem::setEnabled(bool enabled) {
  OnWindowThread(action_, [this, enabled] {
    action_->setProperty(kEnabledState, enabled);
    action_->setEnabled(enabled);
  });
}

QtControls::QtControls(const WindowWidgets& widgets)
    : widgets_(widgets),
      pluginList_(widgets.pluginList),
      resultList_(widgets.resultList),
      pluginChoice_(widgets.pluginChoice),
      longUrl_(widgets.longUrlBox),
      feedback_(widgets.feedbackBox),
      boxes_{QtCheck(widgets.settingBoxes[0]), QtCheck(widgets.settingBoxes[1]), QtCheck(widgets.settingBoxes[2]),
             QtCheck(widgets.settingBoxes[3]), QtCheck(widgets.settingBoxes[4]), QtCheck(widgets.settingBoxes[5]),
             QtCheck(widgets.settingBoxes[6]), QtCheck(widgets.settingBoxes[7])},
      items_{QtMenuItem(widgets.menuItems[0]), QtMenuItem(widgets.menuItems[1]), QtMenuItem(widgets.menuItems[2]),
             QtMenuItem(widgets.menuItems[3]), QtMenuItem(widgets.menuItems[4]), QtMenuItem(widgets.menuItems[5])},
      batchView_(widgets) {}

namespace {
constexpr int kFrameMs = 16;
}

void QtBatchView::appendRow(const std::vector<Text>& cells, const Text& toolTip) {
  const std::lock_guard lock(mutex_);
  rows_.emplace_back(cells, toolTip);
  schedule();
}

void QtBatchView::setStatusText(const Text& text) {
  const std::lock_guard lock(mutex_);
  status_ = text;
  schedule();
}

void QtBatchView::setProgress(int done, int total) {
  const std::lock_guard lock(mutex_);
  progress_ = std::pair(done, total);
  schedule();
}

void QtBatchView::flush() {
  OnWindowThread(widgets_.window, [this] { show(); });
}

// Called with the lock held: one showing a frame from now, however much is pushed meanwhile.
void QtBatchView::schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QueueOnThreadOf(
      widgets_.window, [this] { QTimer::singleShot(kFrameMs, widgets_.window, [this] { show(); }); },
      Qt::QueuedConnection);
}

void QtBatchView::show() {
  std::vector<std::pair<std::vector<Text>, Text>> rows;
  std::optional<Text> status;
  std::optional<std::pair<int, int>> progress;
  {
    const std::lock_guard lock(mutex_);
    rows.swap(rows_);
    status.swap(status_);
    progress.swap(progress_);
    scheduled_ = false;
  }
  if (!rows.empty()) {
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (auto& [cells, toolTip] : rows) {
      // A service's line break or escape shows as a mark in its place, never as layout.
      for (Text& cell : cells) cell = ReplaceControlCharacters(cell);
      QTreeWidgetItem* item = NewRow(cells);
      if (!toolTip.empty())
        for (int column = 0; column < item->columnCount(); ++column)
          item->setToolTip(column, ToQt(ReplaceControlCharacters(toolTip)));
      items << item;
    }
    widgets_.resultList->addTopLevelItems(items);
  }
  if (status) widgets_.statusBar->showMessage(ToQt(*status));
  if (progress && widgets_.batchProgress) {
    QProgressBar* bar = widgets_.batchProgress;
    const auto [done, total] = *progress;
    bar->setVisible(total > 1);
    bar->setRange(0, std::max(total, 1));
    bar->setValue(done);
  }
}

void QtControls::setStatusText(const Text& text) {
  OnWindowThread(widgets_.statusBar, [this, &text] {
    widgets_.statusBar->showMessage(ToQt(text));
    // Painted now, so the text shows while the window thread goes on working.
    widgets_.statusBar->repaint();
  });
}

Text QtControls::statusText() {
  return OnWindowThread(widgets_.statusBar, [this] { return FromQt(widgets_.statusBar->currentMessage()); });
}

int QtControls::showNotice(const Notice& notice) {
  return OnWindowThread(widgets_.window, [this, &notice] { return NoticeBox::show(widgets_.window, notice); });
}

bool QtControls::editPluginValues(const Text& pluginFile, const Text& reason) {
  return OnWindowThread(widgets_.window, [this, &pluginFile, &reason] {
    PluginFieldsDialog form(Paths().deployDir, PluginDefinition::FromFile(pluginFile), widgets_.window);
    form.setReason(reason);
    return form.exec() == QDialog::Accepted;
  });
}

void QtBatchView::finished(int done, int failed) {
  if (done <= kBatchNotifiedAbove) return;
  QWidget* window = widgets_.window;
  QueueOnThreadOf(
      window,
      [window, done, failed] {
        if (window->isActiveWindow()) return;
        NotifyDesktop("生成完毕", "完成 " + std::to_string(done) + " 行，失败 " + std::to_string(failed) + " 行");
      },
      Qt::QueuedConnection);
}

void QtControls::setAlwaysOnTop(bool on) {
  // Re-creating the window for a flag the compositor ignores would only flicker.
  if (!AlwaysOnTopPossible()) return;
  OnWindowThread(widgets_.window, [this, on] {
    QWidget* window = widgets_.window;
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == on) return;
    // Changing a window flag hides the window; show it again where it was.
    const bool visible = window->isVisible();
    const QPoint position = window->pos();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, on);
    if (visible) {
      window->move(position);
      window->show();
    }
  });
}

void QtControls::setClipboardText(const Text& text) {
  OnWindowThread(widgets_.window, [&text] { PutOnClipboard(text); });
}

bool QtControls::discardFile(const Text& path) {
  // No widget involved: runs on the caller's thread.
  const QString file = ToQt(path);
  return QFile::moveToTrash(file) || QFile::remove(file);
}

}  // namespace pindle
