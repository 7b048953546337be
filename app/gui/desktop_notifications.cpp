#include "app/gui/desktop_notifications.h"

#include <sys/stat.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QDBusReply>
#include <cstdlib>
#include <string>

#include "app/gui/text_convert.h"
#include "config/desktop_settings.h"

namespace pindle {
namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kDeliveryWaitMs = 1500;

// Servers that read markup in the body say so; the others show it as it stands.
bool ServerReadsMarkup(QDBusConnection& bus) {
  static const bool markup = [&bus] {
    const QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities"));
    const QDBusReply<QStringList> capabilities = bus.call(call, QDBus::Block, kDeliveryWaitMs);
    return capabilities.isValid() && capabilities.value().contains(QStringLiteral("body-markup"));
  }();
  return markup;
}

// Whether a session bus is there to ask. Without one the bus library would try to launch a bus
// of its own for an X display, which a notification is not worth.
bool SessionBusConfigured() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (address != nullptr && *address != '\0') return true;
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  struct stat info {};
  return runtime != nullptr && stat((std::string(runtime) + "/bus").c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

Text EscapeNotificationMarkup(const Text& text) {
  Text escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

void NotifyDesktop(const Text& summary, const Text& body, bool waitForDelivery) {
  if (!DesktopNotificationsSetting() || !SessionBusConfigured()) return;
  // The bus needs an application object; the command line may have none yet. Never destroyed:
  // at static destruction the toolkit is partly gone already.
  if (QCoreApplication::instance() == nullptr) {
    static int argc = 1;
    static char name[] = "pindle";
    static char* argv[] = {name, nullptr};
    new QCoreApplication(argc, argv);
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
  const QString shownBody = ToQt(ServerReadsMarkup(bus) ? EscapeNotificationMarkup(body) : body);
  call << QStringLiteral("Pindle") << 0u << QStringLiteral("io.github.pindle.Pindle") << ToQt(summary) << shownBody
       << QStringList() << QVariantMap{{QStringLiteral("desktop-entry"), QStringLiteral("io.github.pindle.Pindle")}}
       << -1;
  if (waitForDelivery) {
    bus.call(call, QDBus::Block, kDeliveryWaitMs);
  } else {
    bus.asyncCall(call);
  }
}

}  // namespace pindle
