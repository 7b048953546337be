#include "app/gui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStringList>
#include <algorithm>

#include "app/gui/display_platform.h"
#include "config/settings.h"

namespace pindle {

std::optional<WindowPlacement> ParseWindowPlacement(const Text& text) {
  const QStringList parts = QString::fromStdString(text).split(QLatin1Char(','));
  if (parts.size() != 4 && parts.size() != 5) return std::nullopt;
  int numbers[4];
  for (int i = 0; i < 4; ++i) {
    bool ok = false;
    numbers[i] = parts[i].trimmed().toInt(&ok);
    if (!ok) return std::nullopt;
  }
  if (numbers[2] <= 0 || numbers[3] <= 0) return std::nullopt;
  if (parts.size() == 5 && parts[4].trimmed() != QStringLiteral("max")) return std::nullopt;
  return WindowPlacement{QRect(numbers[0], numbers[1], numbers[2], numbers[3]), parts.size() == 5};
}

Text FormatWindowPlacement(const WindowPlacement& placement) {
  const QRect& r = placement.geometry;
  QString text = QStringLiteral("%1,%2,%3,%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
  if (placement.maximised) text += QStringLiteral(",max");
  return text.toStdString();
}

QRect FitOnScreens(const QRect& wanted, const QList<QRect>& screens, const QSize& minimum) {
  if (screens.isEmpty()) return wanted;
  QRect screen = screens.first();
  long long bestArea = 0;
  for (const QRect& candidate : screens) {
    const QRect overlap = candidate.intersected(wanted);
    const long long area = overlap.isEmpty() ? 0 : 1LL * overlap.width() * overlap.height();
    if (area > bestArea) {
      bestArea = area;
      screen = candidate;
    }
  }
  const int width = std::max(minimum.width(), std::min(wanted.width(), screen.width()));
  const int height = std::max(minimum.height(), std::min(wanted.height(), screen.height()));
  // A screen smaller than the minimum keeps the top-left corner, where the title bar is, on it.
  const int left = std::max(screen.left(), std::min(wanted.left(), screen.right() + 1 - width));
  const int top = std::max(screen.top(), std::min(wanted.top(), screen.bottom() + 1 - height));
  return QRect(left, top, width, height);
}

void RestoreWindowPlacement(QWidget& window) {
  const auto stored = ParseWindowPlacement(Settings::read(kSoftwareSection, kWindowPlacementKey));
  if (!stored) return;
  QList<QRect> screens;
  for (const QScreen* screen : QGuiApplication::screens()) screens << screen->availableGeometry();
  window.setGeometry(FitOnScreens(stored->geometry, screens, window.minimumSize()));
  if (stored->maximised) window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void StoreWindowPlacement(const QWidget& window) {
  const bool maximised = window.isMaximized();
  QRect geometry = maximised ? window.normalGeometry() : window.geometry();
  // Where the platform does not tell the window's position, the stored one stays.
  if (!WindowPositionKnown()) {
    const auto stored = ParseWindowPlacement(Settings::read(kSoftwareSection, kWindowPlacementKey));
    if (stored) geometry.moveTopLeft(stored->geometry.topLeft());
  }
  const Text text = FormatWindowPlacement({geometry, maximised});
  if (Settings::read(kSoftwareSection, kWindowPlacementKey) != text)
    Settings::write(kSoftwareSection, kWindowPlacementKey, text);
}

}  // namespace pindle
