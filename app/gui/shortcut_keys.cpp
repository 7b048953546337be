#include "app/gui/shortcut_keys.h"

#include <QStringList>
#include <array>

namespace pindle {
namespace {

constexpr std::uint16_t kShift = 1, kControl = 4, kAlt = 8, kSuper = 64;  // X11 masks

struct NamedKey {
  int qtKey;
  std::uint32_t keysym;
  const char* name;
};

// Keys beyond letters, digits and F1–F24 that make sensible shortcuts.
constexpr std::array<NamedKey, 18> kNamedKeys{{{Qt::Key_Space, 0x20, "space"},
                                               {Qt::Key_Escape, 0xff1b, "Escape"},
                                               {Qt::Key_Tab, 0xff09, "Tab"},
                                               {Qt::Key_Backspace, 0xff08, "BackSpace"},
                                               {Qt::Key_Return, 0xff0d, "Return"},
                                               {Qt::Key_Enter, 0xff8d, "KP_Enter"},
                                               {Qt::Key_Insert, 0xff63, "Insert"},
                                               {Qt::Key_Delete, 0xffff, "Delete"},
                                               {Qt::Key_Pause, 0xff13, "Pause"},
                                               {Qt::Key_Print, 0xff61, "Print"},
                                               {Qt::Key_Home, 0xff50, "Home"},
                                               {Qt::Key_End, 0xff57, "End"},
                                               {Qt::Key_Left, 0xff51, "Left"},
                                               {Qt::Key_Up, 0xff52, "Up"},
                                               {Qt::Key_Right, 0xff53, "Right"},
                                               {Qt::Key_Down, 0xff54, "Down"},
                                               {Qt::Key_PageUp, 0xff55, "Prior"},
                                               {Qt::Key_PageDown, 0xff56, "Next"}}};

}  // namespace

std::optional<ShortcutKey> ShortcutKeyOf(const QKeySequence& sequence) {
  if (sequence.isEmpty()) return std::nullopt;
  const QKeyCombination combination = sequence[0];
  const int key = combination.key();
  const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
  ShortcutKey out;
  QString name;
  if (key >= Qt::Key_A && key <= Qt::Key_Z) {
    out.keysym = static_cast<std::uint32_t>(key - Qt::Key_A + 'a');
    name = QChar(out.keysym);
  } else if (key >= Qt::Key_0 && key <= Qt::Key_9) {
    out.keysym = static_cast<std::uint32_t>(key);
    name = QChar(out.keysym);
  } else if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
    out.keysym = 0xffbe + static_cast<std::uint32_t>(key - Qt::Key_F1);
    name = QStringLiteral("F%1").arg(key - Qt::Key_F1 + 1);
  } else {
    for (const NamedKey& named : kNamedKeys)
      if (named.qtKey == key) {
        out.keysym = named.keysym;
        name = QString::fromLatin1(named.name);
      }
  }
  if (name.isEmpty()) return std::nullopt;
  QStringList parts;
  if (modifiers & Qt::ControlModifier) {
    out.x11Modifiers |= kControl;
    parts << QStringLiteral("CTRL");
  }
  if (modifiers & Qt::AltModifier) {
    out.x11Modifiers |= kAlt;
    parts << QStringLiteral("ALT");
  }
  if (modifiers & Qt::ShiftModifier) {
    out.x11Modifiers |= kShift;
    parts << QStringLiteral("SHIFT");
  }
  if (modifiers & Qt::MetaModifier) {
    out.x11Modifiers |= kSuper;
    parts << QStringLiteral("LOGO");
  }
  // Function keys are free to take alone; anything else would be gone from every program.
  const bool functionKey = key >= Qt::Key_F1 && key <= Qt::Key_F24;
  if (out.x11Modifiers == 0 && !functionKey) return std::nullopt;
  parts << name;
  out.portalTrigger = parts.join(QLatin1Char('+'));
  return out;
}

}  // namespace pindle
