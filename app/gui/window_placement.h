#pragma once
#include <QList>
#include <QRect>
#include <QWidget>
#include <optional>

#include "platform/types.h"

namespace pindle {

inline constexpr const char* kWindowPlacementKey = "窗口位置";

// The window's place as kept under "窗口位置" in "软件设定": the client area in screen
// coordinates as "left,top,width,height", followed by ",max" when the window was maximised
// (the rectangle is then the one it returns to).
struct WindowPlacement {
  QRect geometry;
  bool maximised = false;
  bool operator==(const WindowPlacement&) const = default;
};

std::optional<WindowPlacement> ParseWindowPlacement(const Text& text);
Text FormatWindowPlacement(const WindowPlacement& placement);

// `wanted` moved (and shrunk when needed, never below `minimum`) to lie wholly on the screen it
// overlaps most, or on the first screen when it overlaps none. `screens` are available areas.
QRect FitOnScreens(const QRect& wanted, const QList<QRect>& screens, const QSize& minimum);

// Applies the stored place, fitted to the screens present now; nothing when none is stored.
void RestoreWindowPlacement(QWidget& window);
// Writes the window's place when it differs from the stored one.
void StoreWindowPlacement(const QWidget& window);

}  // namespace pindle
