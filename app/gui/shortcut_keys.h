#pragma once
#include <QKeySequence>
#include <QString>
#include <cstdint>
#include <optional>

namespace pindle {

// A global shortcut's key as the desktop's services name it.
struct ShortcutKey {
  std::uint32_t keysym = 0;        // X11 key symbol
  std::uint16_t x11Modifiers = 0;  // X11 modifier mask (Shift, Control, Mod1 = Alt, Mod4 = Super)
  QString portalTrigger;           // XDG shortcut text: "CTRL+ALT+s"
  bool operator==(const ShortcutKey&) const = default;
};

// The first key combination of `sequence`; nothing for an empty sequence, a key without a
// modifier (it would take the key from every program), or a key the desktops cannot name.
std::optional<ShortcutKey> ShortcutKeyOf(const QKeySequence& sequence);

}  // namespace pindle
