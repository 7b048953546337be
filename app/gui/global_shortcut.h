#pragma once
#include <QObject>
#include <QString>

#include "platform/types.h"

namespace pindle {

class PortalGlobalShortcuts;
class X11KeyGrab;

// The global shortcut that shortens the clipboard's address while the program runs: through
// the desktop portal's GlobalShortcuts where the desktop offers it, else by an X11 key grab;
// where neither works, state() says so and names the command to bind in the desktop's keyboard
// settings instead.
class GlobalShortcut : public QObject {
  Q_OBJECT
 public:
  explicit GlobalShortcut(QObject* parent);
  ~GlobalShortcut() override;
  // A key sequence in the toolkit's portable text ("Ctrl+Alt+S"); empty: none.
  void set(const Text& sequence);
  // What the 设定 page shows about it, one or two lines.
  QString state() const { return state_; }

 signals:
  void pressed();
  void stateChanged(const QString& state);

 private:
  void setState(const QString& state);
  PortalGlobalShortcuts* portal_ = nullptr;
  X11KeyGrab* grab_ = nullptr;
  QString state_;
  QString shown_;  // the sequence as the user reads it
};

// The command a desktop's own keyboard settings can bind instead.
inline constexpr const char* kClipboardCommand = "pindle shorten --clipboard";

}  // namespace pindle
