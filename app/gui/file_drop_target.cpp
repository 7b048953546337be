#include "app/gui/file_drop_target.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

namespace pindle {
namespace {

// Only the files' contents are read: a drop offered as a move must not let the source delete them.
void AcceptWithoutMoving(QDropEvent* event) {
  if (event->possibleActions().testFlag(Qt::CopyAction)) {
    event->setDropAction(Qt::CopyAction);
  } else if (event->possibleActions().testFlag(Qt::LinkAction)) {
    event->setDropAction(Qt::LinkAction);
  } else {
    event->setDropAction(event->proposedAction());
  }
  event->accept();
}

}  // namespace

FileDropTarget::FileDropTarget(QWidget* window) : QObject(window) {
  setObjectName(QStringLiteral("拖放对象"));
  window->setAcceptDrops(true);
  window->installEventFilter(this);
}

QStringList FileDropTarget::LocalFiles(const QMimeData* data) {
  QStringList paths;
  if (!data || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  return paths;
}

bool FileDropTarget::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (LocalFiles(drag->mimeData()).isEmpty()) {
        drag->ignore();
      } else {
        AcceptWithoutMoving(drag);
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      const QStringList paths = LocalFiles(drop->mimeData());
      if (paths.isEmpty()) {
        drop->ignore();
        return true;
      }
      AcceptWithoutMoving(drop);
      emit filesDropped(paths);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace pindle
