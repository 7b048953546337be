#include "app/gui/portal_global_shortcuts.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusVariant>

namespace pindle {
namespace {

const QString kPortal = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPortalPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kShortcutId = QStringLiteral("shorten-clipboard");
constexpr int kCallWaitMs = 3000;

// One entry of BindShortcuts' a(sa{sv}).
struct PortalShortcut {
  QString id;
  QVariantMap details;
};

}  // namespace
}  // namespace pindle

Q_DECLARE_METATYPE(pindle::PortalShortcut)

namespace pindle {
namespace {

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
  argument.beginStructure();
  argument << shortcut.id << shortcut.details;
  argument.endStructure();
  return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
  argument.beginStructure();
  argument >> shortcut.id >> shortcut.details;
  argument.endStructure();
  return argument;
}

}  // namespace

PortalGlobalShortcuts::PortalGlobalShortcuts(QObject* parent, QDBusConnection bus) : QObject(parent), bus_(bus) {
  qDBusRegisterMetaType<PortalShortcut>();
  qDBusRegisterMetaType<QList<PortalShortcut>>();
  bus_.connect(kPortal, kPortalPath, kInterface, QStringLiteral("Activated"), this, SLOT(onActivated(QDBusMessage)));
}

bool PortalGlobalShortcuts::offered(QDBusConnection bus) {
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(
      kPortal, kPortalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  call << kInterface << QStringLiteral("version");
  const QDBusMessage answer = bus.call(call, QDBus::Block, kCallWaitMs);
  return answer.type() == QDBusMessage::ReplyMessage &&
         answer.arguments().value(0).value<QDBusVariant>().variant().toUInt() >= 1;
}

void PortalGlobalShortcuts::bind(const QString& trigger, const QString& description) {
  release();
  trigger_ = trigger;
  description_ = description;
  if (!request(QStringLiteral("CreateSession"),
               {QVariantMap{{QStringLiteral("session_handle_token"), QStringLiteral("pindle%1").arg(++tokens_)}}}, 0))
    emit failed(QStringLiteral("桌面门户不接受全局快捷键会话"));
}

void PortalGlobalShortcuts::release() {
  if (!session_.isEmpty()) {
    bus_.asyncCall(QDBusMessage::createMethodCall(kPortal, session_, QStringLiteral("org.freedesktop.portal.Session"),
                                                  QStringLiteral("Close")));
  }
  session_.clear();
  pendingRequest_.clear();
}

bool PortalGlobalShortcuts::request(const QString& member, QList<QVariant> arguments, int optionsIndex) {
  const QString token = QStringLiteral("pindle%1").arg(++tokens_);
  QVariantMap options = arguments[optionsIndex].toMap();
  options[QStringLiteral("handle_token")] = token;
  arguments[optionsIndex] = options;
  // The answer comes as a signal on the request's path, which follows from our name and the
  // token: listen before asking, so an answer that comes at once is not missed.
  QString sender = bus_.baseService().mid(1);
  sender.replace(QLatin1Char('.'), QLatin1Char('_'));
  const QString path = kPortalPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
  bus_.connect(kPortal, path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), this,
               SLOT(onResponse(uint, QVariantMap)));
  pendingRequest_ = path;
  pendingMember_ = member;
  QDBusMessage call = QDBusMessage::createMethodCall(kPortal, kPortalPath, kInterface, member);
  call.setArguments(arguments);
  const QDBusMessage answer = bus_.call(call, QDBus::Block, kCallWaitMs);
  if (answer.type() != QDBusMessage::ReplyMessage) return false;
  // An older portal may answer on another path.
  const QString given = answer.arguments().value(0).value<QDBusObjectPath>().path();
  if (!given.isEmpty() && given != path) {
    bus_.connect(kPortal, given, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), this,
                 SLOT(onResponse(uint, QVariantMap)));
    pendingRequest_ = given;
  }
  return true;
}

void PortalGlobalShortcuts::onResponse(uint response, const QVariantMap& results) {
  const QString path = message().path();
  bus_.disconnect(kPortal, path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"), this,
                  SLOT(onResponse(uint, QVariantMap)));
  if (path != pendingRequest_) return;
  pendingRequest_.clear();
  if (response != 0) {
    emit failed(response == 1 ? QStringLiteral("桌面上取消了全局快捷键的登记")
                              : QStringLiteral("桌面门户没能登记全局快捷键"));
    return;
  }
  if (pendingMember_ == QLatin1String("CreateSession")) {
    session_ = results.value(QStringLiteral("session_handle")).toString();
    if (session_.isEmpty()) session_ = results.value(QStringLiteral("session_handle")).value<QDBusObjectPath>().path();
    bindInSession();
    return;
  }
  emit bound();
}

void PortalGlobalShortcuts::bindInSession() {
  const QList<PortalShortcut> shortcuts{
      {kShortcutId, {{QStringLiteral("description"), description_}, {QStringLiteral("preferred_trigger"), trigger_}}}};
  if (!request(
          QStringLiteral("BindShortcuts"),
          {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(shortcuts), QString(), QVariantMap()},
          3))
    emit failed(QStringLiteral("桌面门户不接受全局快捷键"));
}

void PortalGlobalShortcuts::onActivated(const QDBusMessage& signal) {
  const QVariantList arguments = signal.arguments();
  if (arguments.value(0).value<QDBusObjectPath>().path() == session_ && arguments.value(1).toString() == kShortcutId)
    emit pressed();
}

}  // namespace pindle
