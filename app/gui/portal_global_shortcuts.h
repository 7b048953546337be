#pragma once
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

namespace pindle {

// A global shortcut through the XDG desktop portal's GlobalShortcuts interface: a session is
// created, the shortcut bound with its preferred trigger (the desktop may ask the user, and may
// choose another), and the portal signals each press.
class PortalGlobalShortcuts : public QObject, protected QDBusContext {
  Q_OBJECT
 public:
  explicit PortalGlobalShortcuts(QObject* parent, QDBusConnection bus = QDBusConnection::sessionBus());
  // Whether the session's portal has the interface.
  static bool offered(QDBusConnection bus = QDBusConnection::sessionBus());
  // Binds "shorten-clipboard" with `trigger` ("CTRL+ALT+s") in a new session; the session before
  // is closed. bound() or failed() follow.
  void bind(const QString& trigger, const QString& description);
  void release();

 signals:
  void bound();
  void failed(const QString& reason);
  void pressed();

 private slots:
  void onResponse(uint response, const QVariantMap& results);
  void onActivated(const QDBusMessage& signal);

 private:
  // Calls `member` with a fresh request token in `options`; its answer comes to onResponse.
  bool request(const QString& member, QList<QVariant> arguments, int optionsIndex);
  void bindInSession();

  QDBusConnection bus_;
  QString session_, trigger_, description_, pendingRequest_, pendingMember_;
  int tokens_ = 0;
};

}  // namespace pindle
