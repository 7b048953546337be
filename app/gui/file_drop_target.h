#pragma once
#include <QObject>
#include <QStringList>

class QMimeData;

namespace pindle {

// The window's drop target: local files dropped anywhere on the window, whichever control is
// under the mouse, are reported with their paths in drop order. Dropped text and links that are
// not local files are refused.
class FileDropTarget : public QObject {
  Q_OBJECT
 public:
  // Registers on `window` (which then accepts drops) and on the drags its children pass up.
  explicit FileDropTarget(QWidget* window);

  static QStringList LocalFiles(const QMimeData* data);

 signals:
  void filesDropped(const QStringList& paths);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace pindle
