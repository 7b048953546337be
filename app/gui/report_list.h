#pragma once
#include <QTreeWidget>

namespace pindle {

// A list view in report form: one line a row, whole rows selected one at a time, fixed columns.
// Like the desktop's list view, a press outside every row clears the selection, and a
// double-click is reported wherever it lands, row or not.
class ReportList : public QTreeWidget {
  Q_OBJECT
 public:
  // `widths` gives every column's width; a width of 0 hides the column (it keeps data only).
  ReportList(const QStringList& headers, const QList<int>& widths, QWidget* parent = nullptr);

  // Called with how much wider than its base width the list now is. At the base width every
  // column has its given width; a wider list gives the last shown column whatever width the
  // others leave free, but never less than its given width.
  void widenLastColumn(int extra);
  // A row's tool tip is the text of this (hidden) column; -1: no tool tips.
  void setToolTipColumn(int column) { toolTipColumn_ = column; }

 signals:
  void doubleClickedAnywhere();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // A scroll bar coming or going changes the room the last column has.
  bool viewportEvent(QEvent* event) override;

 private:
  void fitLastColumn();
  QList<int> widths_;
  int extra_ = 0;
  int toolTipColumn_ = -1;
};

}  // namespace pindle
