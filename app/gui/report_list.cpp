#include "app/gui/report_list.h"

#include <QHeaderView>
#include <QMouseEvent>

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
  for (auto column = widths_.size() - 1; column >= 0; --column) {
    if (widths_[column] == 0) continue;
    setColumnWidth(static_cast<int>(column), widths_[column] + extra);
    return;
  }
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
