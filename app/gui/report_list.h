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

  // The last shown column gets `extra` pixels beyond its given width: a wider list gives its
  // spare width to it.
  void widenLastColumn(int extra);

 signals:
  void doubleClickedAnywhere();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  QList<int> widths_;
};

}  // namespace pindle
