#pragma once
#include <QObject>
#include <QProcess>

#include "app/gui/actions/controls.h"

namespace pindle {

class ClipboardPasses;

// Clipboard watching: while it is on, an address worth shortening (clipboard_watch_rule.h)
// that another program copies is shortened and replaces it on the clipboard. On X11 the toolkit
// tells of every change; on a Wayland compositor with data-control `wl-paste --watch` does (the
// toolkit hears of changes there only while the window has the focus).
class ClipboardWatch : public QObject {
  Q_OBJECT
 public:
  ClipboardWatch(Controls& ui, ClipboardPasses& passes, QObject* parent);
  ~ClipboardWatch() override;
  void setOn(bool on);
  bool isOn() const { return on_; }

 private:
  void clipboardChanged();
  Controls& ui_;
  ClipboardPasses& passes_;
  bool on_ = false;
  QProcess* changes_ = nullptr;  // wl-paste --watch
  Text lastSeen_;
};

}  // namespace pindle
