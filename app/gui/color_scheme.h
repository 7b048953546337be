#pragma once
#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QPalette>
#include <QVariant>

namespace pindle {

// The window follows the desktop's dark or light preference: the desktop portal's
// "color-scheme" (1 dark, 2 light, 0 no preference) when the portal tells one, and follows its
// changes; otherwise the platform theme's own colours stay as they are.
class ColorScheme : public QObject {
  Q_OBJECT
 public:
  explicit ColorScheme(QObject* parent, QDBusConnection bus = QDBusConnection::sessionBus());
  // Applies a portal value: dark colours for 1, the starting ones for anything else.
  void apply(uint scheme);
  // Whether the window shows dark colours now.
  static bool dark();

 private slots:
  void settingChanged(const QDBusMessage& signal);

 private:
  QPalette initialPalette_;
  QString initialStyle_;
  bool darkApplied_ = false;
};

}  // namespace pindle
