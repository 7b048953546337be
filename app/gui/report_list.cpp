#include "app/gui/report_list.h"

#include <QHeaderView>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>

namespace pindle {

ReportList::ReportList(const QStringList& headers, const QList<int>& widths, QWidget* parent)
    : QTreeWidget(parent), widths_(widths) {
  setColumnCount(static_cast<int>(headers.size()));
  setHeaderLabels(headers);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setContextMenuPolicy(Qt::CustomContextMenu);
  header()->setStretchLastSection(false);
  header()->setSectionsMovable(false);
  header()->setMinimumSectionSize(0);
  for (int column = 0; column < widths.size(); ++column) {
    setColumnWidth(column, widths[column]);
    if (widths[column] == 0) setColumnHidden(column, true);
  }
}

void ReportList::widenLastColumn(int extra) {
  extra_ = extra;
  fitLastColumn();
}

void ReportList::fitLastColumn() {
  int last = static_cast<int>(widths_.size()) - 1;
  while (last >= 0 && widths_[last] == 0) --last;
  if (last < 0) return;
  int width = widths_[last];
  if (extra_ > 0) {
    int others = 0;
    for (int column = 0; column < last; ++column)
      if (!isColumnHidden(column)) others += columnWidth(column);
    width = std::max(width, viewport()->width() - others);
  }
  if (columnWidth(last) != width) setColumnWidth(last, width);
}

bool ReportList::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Resize) fitLastColumn();
  if (event->type() == QEvent::ToolTip && toolTipColumn_ >= 0) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QTreeWidgetItem* item = itemAt(help->pos());
    const QString tip = item ? item->text(toolTipColumn_) : QString();
    if (tip.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), tip, viewport());
    return true;
  }
  return QTreeWidget::viewportEvent(event);
}

void ReportList::mousePressEvent(QMouseEvent* event) {
  if (!itemAt(event->position().toPoint())) clearSelection();
  QTreeWidget::mousePressEvent(event);
}

void ReportList::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit doubleClickedAnywhere();
}

}  // namespace pindle
