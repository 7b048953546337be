#pragma once
#include <QObject>
#include <functional>

#include "app/gui/actions/controls.h"
#include "generate/clipboard_shortening.h"
#include "platform/background.h"

namespace pindle {

// Clipboard passes of the running window (the tray, the global shortcut, clipboard watching,
// a later start's `shorten --clipboard`): the address read on the window thread, the request
// on a worker, then on the window thread again the link put back on the clipboard, the status
// bar and a notification. The request runs on the window's workers, like every other background
// task; the window thread never waits for it.
class ClipboardPasses : public QObject {
  Q_OBJECT
 public:
  using Done = std::function<void(const ClipboardShortening&)>;
  ClipboardPasses(Controls& ui, Workers& workers, QObject* parent);

  // The clipboard's address through `plugin` (empty: the one chosen on the 生成 page, else the
  // first enabled one).
  void shortenClipboard(const Text& plugin, Done done = {});
  // `text`, just copied by another program, through the chosen plug-in.
  void shortenCopiedText(const Text& text, Done done = {});

 signals:
  // A pass put `link` on the clipboard.
  void linkMade(const QString& link);

 private:
  void run(const Text& held, const Text& plugin, bool watched, Done done);
  void finish(const ClipboardShortening& pass, bool watched, const Done& done);
  Controls& ui_;
  Workers& workers_;
};

}  // namespace pindle
