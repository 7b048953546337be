#include "app/gui/color_scheme.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QStyle>
#include <QStyleFactory>

namespace pindle {
namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kSettings = QStringLiteral("org.freedesktop.portal.Settings");
const QString kGroup = QStringLiteral("org.freedesktop.appearance");
const QString kKey = QStringLiteral("color-scheme");

// The value inside however many variants the portal wrapped it in (Read adds one).
QVariant Unwrapped(QVariant value) {
  while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
    value = value.value<QDBusVariant>().variant();
  return value;
}

QPalette DarkPalette() {
  QPalette p;
  const QColor window(0x2b, 0x2b, 0x2b), base(0x1e, 0x1e, 0x1e), text(0xe6, 0xe6, 0xe6), dim(0x80, 0x80, 0x80);
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, window);
  p.setColor(QPalette::ToolTipBase, base);
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, dim);
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, Qt::white);
  p.setColor(QPalette::Link, QColor(0x5e, 0xa8, 0xff));
  p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xc8));
  p.setColor(QPalette::HighlightedText, Qt::white);
  for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, dim);
  return p;
}

}  // namespace

ColorScheme::ColorScheme(QObject* parent, QDBusConnection bus)
    : QObject(parent), initialPalette_(QApplication::palette()), initialStyle_(QApplication::style()->name()) {
  if (!bus.isConnected()) return;
  bus.connect(kPortal, kPath, kSettings, QStringLiteral("SettingChanged"), this, SLOT(settingChanged(QDBusMessage)));
  QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPath, kSettings, QStringLiteral("Read"));
  call << kGroup << kKey;
  // Not waited for: the window shows at once and takes the colours when the answer comes.
  auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answer) {
    answer->deleteLater();
    const QDBusMessage reply = answer->reply();
    if (reply.type() == QDBusMessage::ReplyMessage) apply(Unwrapped(reply.arguments().value(0)).toUInt());
  });
}

void ColorScheme::apply(uint scheme) {
  const bool wantDark = scheme == 1;
  if (wantDark == darkApplied_) return;
  darkApplied_ = wantDark;
  if (wantDark) {
    // The platform style may draw with its own colours; Fusion draws with the palette.
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(DarkPalette());
  } else {
    QApplication::setStyle(QStyleFactory::create(initialStyle_));
    QApplication::setPalette(initialPalette_);
  }
}

bool ColorScheme::dark() { return QApplication::palette().color(QPalette::Window).lightness() < 128; }

void ColorScheme::settingChanged(const QDBusMessage& signal) {
  const QVariantList arguments = signal.arguments();
  if (arguments.value(0).toString() == kGroup && arguments.value(1).toString() == kKey)
    apply(Unwrapped(arguments.value(2)).toUInt());
}

}  // namespace pindle
