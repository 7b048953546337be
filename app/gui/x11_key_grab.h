#pragma once
#include <QAbstractNativeEventFilter>
#include <QObject>
#include <vector>

#include "app/gui/shortcut_keys.h"
#include "platform/types.h"

namespace pindle {

// A key combination taken from the whole X display (a passive grab on the root window), so it
// reaches this program whichever window has the focus. Num Lock and Caps Lock do not matter.
class X11KeyGrab : public QObject, public QAbstractNativeEventFilter {
  Q_OBJECT
 public:
  explicit X11KeyGrab(QObject* parent);
  ~X11KeyGrab() override;
  // Whether this process talks to an X server.
  static bool available();
  // Grabs `key` (releasing the one before); false with `problem` set when another program holds it.
  bool grab(const ShortcutKey& key, Text& problem);
  void release();
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 signals:
  void pressed();

 private:
  std::vector<std::uint8_t> keycodes_;
  std::uint16_t modifiers_ = 0;
};

}  // namespace pindle
