// Desktop services the tests start on their own session bus (DBUS_SESSION_BUS_ADDRESS). Each
// switch brings one; what the program under test does to them is printed as a line, and the
// test steers them through lines on standard input. "ready" is printed once every name is owned.
//
//   --watcher        org.kde.StatusNotifierWatcher with a host in it. Prints "item <service>" when
//                    a tray icon registers. Commands: "menu" prints "menu <label>|<label>|…" (the
//                    visible entries of the icon's menu, "-" for a separator, "~" before a
//                    disabled one), "click <label>" chooses that entry, "activate" clicks the icon.
//   --notifications  org.freedesktop.Notifications; prints "notify <summary>\t<body>" per call.
//   --portal         org.freedesktop.portal.Desktop with Settings (color-scheme, set by
//                    --color-scheme=N; command "color-scheme N" changes it and signals the change)
//   --shortcuts      and GlobalShortcuts: prints "bound <id>\t<preferred trigger>"; command
//                    "press <id>" signals the shortcut's activation.
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

namespace {

void Print(const QString& line) { std::cout << line.toStdString() << std::endl; }

QString OneLine(QString text) { return text.replace(QLatin1Char('\n'), QLatin1String("\\n")); }

// The path element a portal makes of a caller's unique name: ":1.42" becomes "1_42".
QString SenderElement(const QString& sender) { return sender.mid(1).replace(QLatin1Char('.'), QLatin1Char('_')); }

class Service : public QDBusVirtualObject {
 public:
  using QDBusVirtualObject::QDBusVirtualObject;
  QDBusConnection bus() const { return QDBusConnection::sessionBus(); }
  void reply(const QDBusMessage& call, const QVariantList& values) const { bus().send(call.createReply(values)); }
  // Properties.Get and GetAll from `properties` (by interface, then name).
  bool answerProperties(const QDBusMessage& call, const QMap<QString, QVariantMap>& properties) const {
    if (call.interface() != QLatin1String("org.freedesktop.DBus.Properties")) return false;
    const QString interface = call.arguments().value(0).toString();
    if (call.member() == QLatin1String("GetAll")) {
      reply(call, {properties.value(interface)});
      return true;
    }
    const QString name = call.arguments().value(1).toString();
    if (!properties.value(interface).contains(name)) {
      bus().send(call.createErrorReply(QDBusError::UnknownProperty, name));
      return true;
    }
    reply(call, {QVariant::fromValue(QDBusVariant(properties.value(interface).value(name)))});
    return true;
  }
};

// ---- tray: the watcher and a host that reads and clicks the icon's menu ----

struct MenuNode {
  int id = 0;
  QVariantMap properties;
  QList<MenuNode> children;
};

MenuNode ReadMenu(const QDBusArgument& argument) {
  MenuNode node;
  argument.beginStructure();
  argument >> node.id >> node.properties;
  argument.beginArray();
  while (!argument.atEnd()) {
    QDBusVariant child;
    argument >> child;
    node.children << ReadMenu(child.variant().value<QDBusArgument>());
  }
  argument.endArray();
  argument.endStructure();
  return node;
}

class Watcher : public Service {
 public:
  QString introspect(const QString&) const override {
    return QStringLiteral(
        "<interface name=\"org.kde.StatusNotifierWatcher\">"
        "<method name=\"RegisterStatusNotifierItem\"><arg type=\"s\" direction=\"in\"/></method>"
        "<method name=\"RegisterStatusNotifierHost\"><arg type=\"s\" direction=\"in\"/></method>"
        "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
        "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
        "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
        "<signal name=\"StatusNotifierItemRegistered\"><arg type=\"s\"/></signal>"
        "<signal name=\"StatusNotifierItemUnregistered\"><arg type=\"s\"/></signal>"
        "<signal name=\"StatusNotifierHostRegistered\"/>"
        "</interface>");
  }
  bool handleMessage(const QDBusMessage& call, const QDBusConnection&) override {
    if (answerProperties(call, {{QStringLiteral("org.kde.StatusNotifierWatcher"),
                                 {{QStringLiteral("RegisteredStatusNotifierItems"), QStringList(items_)},
                                  {QStringLiteral("IsStatusNotifierHostRegistered"), true},
                                  {QStringLiteral("ProtocolVersion"), 0}}}}))
      return true;
    if (call.member() == QLatin1String("RegisterStatusNotifierItem")) {
      QString service = call.arguments().value(0).toString();
      path_ = QStringLiteral("/StatusNotifierItem");
      if (service.startsWith(QLatin1Char('/'))) {
        path_ = service;
        service = call.service();
      }
      item_ = service;
      items_ << service;
      reply(call, {});
      auto signal = QDBusMessage::createSignal(QStringLiteral("/StatusNotifierWatcher"),
                                               QStringLiteral("org.kde.StatusNotifierWatcher"),
                                               QStringLiteral("StatusNotifierItemRegistered"));
      signal << service;
      bus().send(signal);
      Print(QStringLiteral("item ") + service);
      return true;
    }
    if (call.member() == QLatin1String("RegisterStatusNotifierHost")) {
      reply(call, {});
      return true;
    }
    return false;
  }

  void command(const QString& line) {
    if (item_.isEmpty()) {
      Print(QStringLiteral("error no item"));
      return;
    }
    if (line == QLatin1String("activate")) {
      call(item_, path_, QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Activate"), {0, 0});
      Print(QStringLiteral("activated"));
      return;
    }
    const QString menuPath = menuPathOfItem();
    // As a desktop's host shows a menu: about to show, opened, … , closed.
    call(item_, menuPath, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("AboutToShow"), {0});
    auto event = [&](int id, const char* what) {
      call(item_, menuPath, QStringLiteral("com.canonical.dbusmenu"), QStringLiteral("Event"),
           {id, QString::fromLatin1(what), QVariant::fromValue(QDBusVariant(0)), 0u});
    };
    event(0, "opened");
    struct Closing {
      std::function<void()> close;
      ~Closing() { close(); }
    } closing{[&] { event(0, "closed"); }};
    const QDBusMessage layout = call(item_, menuPath, QStringLiteral("com.canonical.dbusmenu"),
                                     QStringLiteral("GetLayout"), {0, -1, QStringList()});
    if (layout.type() != QDBusMessage::ReplyMessage || layout.arguments().size() < 2) {
      Print(QStringLiteral("error no menu"));
      return;
    }
    const MenuNode root = ReadMenu(layout.arguments().at(1).value<QDBusArgument>());
    if (line == QLatin1String("menu")) {
      QStringList labels;
      for (const MenuNode& entry : root.children) {
        if (!entry.properties.value(QStringLiteral("visible"), true).toBool()) continue;
        if (entry.properties.value(QStringLiteral("type")).toString() == QLatin1String("separator")) {
          labels << QStringLiteral("-");
          continue;
        }
        const bool enabled = entry.properties.value(QStringLiteral("enabled"), true).toBool();
        labels << (enabled ? QString() : QStringLiteral("~")) +
                      entry.properties.value(QStringLiteral("label")).toString().remove(QLatin1Char('_'));
      }
      Print(QStringLiteral("menu ") + labels.join(QLatin1Char('|')));
      return;
    }
    if (line == QLatin1String("ids")) {
      QStringList labels;
      for (const MenuNode& entry : root.children)
        labels << QString::number(entry.id) + QLatin1Char('=') +
                      entry.properties.value(QStringLiteral("label")).toString() + QLatin1Char('/') +
                      entry.properties.value(QStringLiteral("visible"), true).toString();
      Print(QStringLiteral("ids ") + labels.join(QLatin1Char('|')));
      return;
    }
    if (line.startsWith(QLatin1String("click "))) {
      const QString wanted = line.mid(6);
      for (const MenuNode& entry : root.children) {
        if (entry.properties.value(QStringLiteral("label")).toString().remove(QLatin1Char('_')) != wanted) continue;
        event(entry.id, "clicked");
        Print(QStringLiteral("clicked ") + wanted);
        return;
      }
      Print(QStringLiteral("error no entry ") + wanted);
    }
  }

 private:
  QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& member,
                    const QVariantList& arguments) const {
    auto message = QDBusMessage::createMethodCall(service, path, interface, member);
    message.setArguments(arguments);
    return bus().call(message, QDBus::Block, 5000);
  }
  QString menuPathOfItem() const {
    const QDBusMessage answer =
        call(item_, path_, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
             {QStringLiteral("org.kde.StatusNotifierItem"), QStringLiteral("Menu")});
    return answer.arguments().value(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
  }

  QString item_, path_;
  QStringList items_;
};

// ---- notifications ----

class Notifications : public Service {
 public:
  QString introspect(const QString&) const override {
    return QStringLiteral(
        "<interface name=\"org.freedesktop.Notifications\">"
        "<method name=\"Notify\"><arg type=\"s\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/>"
        "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"as\" direction=\"in\"/><arg type=\"a{sv}\" direction=\"in\"/><arg type=\"i\" direction=\"in\"/>"
        "<arg type=\"u\" direction=\"out\"/></method>"
        "<method name=\"GetCapabilities\"><arg type=\"as\" direction=\"out\"/></method>"
        "<method name=\"CloseNotification\"><arg type=\"u\" direction=\"in\"/></method>"
        "<method name=\"GetServerInformation\"><arg type=\"s\" direction=\"out\"/><arg type=\"s\" direction=\"out\"/>"
        "<arg type=\"s\" direction=\"out\"/><arg type=\"s\" direction=\"out\"/></method>"
        "</interface>");
  }
  bool handleMessage(const QDBusMessage& call, const QDBusConnection&) override {
    if (call.member() == QLatin1String("Notify")) {
      const QVariantList a = call.arguments();
      Print(QStringLiteral("notify ") + OneLine(a.value(3).toString()) + QLatin1Char('\t') +
            OneLine(a.value(4).toString()));
      reply(call, {++count_});
      return true;
    }
    if (call.member() == QLatin1String("GetCapabilities")) {
      reply(call, {QStringList{QStringLiteral("body")}});
      return true;
    }
    if (call.member() == QLatin1String("GetServerInformation")) {
      reply(call, {QStringLiteral("test"), QStringLiteral("pindle"), QStringLiteral("1"), QStringLiteral("1.2")});
      return true;
    }
    if (call.member() == QLatin1String("CloseNotification")) {
      reply(call, {});
      return true;
    }
    return false;
  }

 private:
  uint count_ = 0;
};

// ---- the desktop portal ----

class Portal : public Service {
 public:
  Portal(uint colorScheme, bool shortcuts) : colorScheme_(colorScheme), shortcuts_(shortcuts) {}
  QString introspect(const QString&) const override {
    QString xml = QStringLiteral(
        "<interface name=\"org.freedesktop.portal.Settings\">"
        "<method name=\"Read\"><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"v\" direction=\"out\"/></method>"
        "<method name=\"ReadOne\"><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
        "<arg type=\"v\" direction=\"out\"/></method>"
        "<signal name=\"SettingChanged\"><arg type=\"s\"/><arg type=\"s\"/><arg type=\"v\"/></signal>"
        "<property name=\"version\" type=\"u\" access=\"read\"/>"
        "</interface>");
    if (shortcuts_)
      xml += QStringLiteral(
          "<interface name=\"org.freedesktop.portal.GlobalShortcuts\">"
          "<method name=\"CreateSession\"><arg type=\"a{sv}\" direction=\"in\"/><arg type=\"o\" direction=\"out\"/>"
          "</method>"
          "<method name=\"BindShortcuts\"><arg type=\"o\" direction=\"in\"/><arg type=\"a(sa{sv})\" "
          "direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"a{sv}\" direction=\"in\"/>"
          "<arg type=\"o\" direction=\"out\"/></method>"
          "<signal name=\"Activated\"><arg type=\"o\"/><arg type=\"s\"/><arg type=\"t\"/><arg type=\"a{sv}\"/>"
          "</signal>"
          "<property name=\"version\" type=\"u\" access=\"read\"/>"
          "</interface>");
    return xml;
  }
  bool handleMessage(const QDBusMessage& call, const QDBusConnection&) override {
    QMap<QString, QVariantMap> properties{
        {QStringLiteral("org.freedesktop.portal.Settings"), {{QStringLiteral("version"), 2u}}}};
    if (shortcuts_)
      properties[QStringLiteral("org.freedesktop.portal.GlobalShortcuts")] = {{QStringLiteral("version"), 1u}};
    if (answerProperties(call, properties)) return true;
    const QString interface = call.interface(), member = call.member();
    if (interface == QLatin1String("org.freedesktop.portal.Settings")) {
      const QVariantList a = call.arguments();
      if (a.value(0).toString() != QLatin1String("org.freedesktop.appearance") ||
          a.value(1).toString() != QLatin1String("color-scheme")) {
        bus().send(call.createErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"),
                                         QStringLiteral("no such setting")));
        return true;
      }
      const QVariant value = QVariant::fromValue(colorScheme_);
      // Read (version 1) wraps the value in one more variant.
      reply(call, {member == QLatin1String("Read")
                       ? QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(value))))
                       : QVariant::fromValue(QDBusVariant(value))});
      return true;
    }
    if (!shortcuts_ || interface != QLatin1String("org.freedesktop.portal.GlobalShortcuts")) return false;
    const QString sender = SenderElement(call.service());
    if (member == QLatin1String("CreateSession")) {
      const QVariantMap options = qdbus_cast<QVariantMap>(call.arguments().value(0));
      const QString request = requestPath(sender, options);
      session_ = QStringLiteral("/org/freedesktop/portal/desktop/session/") + sender + QLatin1Char('/') +
                 options.value(QStringLiteral("session_handle_token"), QStringLiteral("s")).toString();
      reply(call, {QVariant::fromValue(QDBusObjectPath(request))});
      respond(request, {{QStringLiteral("session_handle"), session_}});
      return true;
    }
    if (member == QLatin1String("BindShortcuts")) {
      const QDBusArgument list = call.arguments().value(1).value<QDBusArgument>();
      list.beginArray();
      while (!list.atEnd()) {
        QString id;
        QVariantMap details;
        list.beginStructure();
        list >> id >> details;
        list.endStructure();
        Print(QStringLiteral("bound ") + id + QLatin1Char('\t') +
              details.value(QStringLiteral("preferred_trigger")).toString());
      }
      list.endArray();
      const QString request = requestPath(sender, qdbus_cast<QVariantMap>(call.arguments().value(3)));
      reply(call, {QVariant::fromValue(QDBusObjectPath(request))});
      respond(request, {});
      return true;
    }
    return false;
  }

  void command(const QString& line) {
    if (line.startsWith(QLatin1String("color-scheme "))) {
      colorScheme_ = line.mid(13).toUInt();
      auto signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                               QStringLiteral("org.freedesktop.portal.Settings"),
                                               QStringLiteral("SettingChanged"));
      signal << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme")
             << QVariant::fromValue(QDBusVariant(QVariant::fromValue(colorScheme_)));
      bus().send(signal);
      Print(QStringLiteral("changed"));
    } else if (line.startsWith(QLatin1String("press ")) && !session_.isEmpty()) {
      for (const char* member : {"Activated", "Deactivated"}) {
        auto signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                 QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                 QString::fromLatin1(member));
        signal << QVariant::fromValue(QDBusObjectPath(session_)) << line.mid(6) << qulonglong(0) << QVariantMap();
        bus().send(signal);
      }
      Print(QStringLiteral("pressed"));
    }
  }

 private:
  static QString requestPath(const QString& sender, const QVariantMap& options) {
    return QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + QLatin1Char('/') +
           options.value(QStringLiteral("handle_token"), QStringLiteral("t")).toString();
  }
  // The answer comes after the call returned, as from a portal that asked the user.
  void respond(const QString& request, const QVariantMap& results) const {
    QTimer::singleShot(10, [request, results] {
      auto signal = QDBusMessage::createSignal(request, QStringLiteral("org.freedesktop.portal.Request"),
                                               QStringLiteral("Response"));
      signal << 0u << results;
      QDBusConnection::sessionBus().send(signal);
    });
  }

  uint colorScheme_;
  bool shortcuts_;
  QString session_;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const QStringList args = application.arguments();
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    Print(QStringLiteral("error no bus"));
    return 1;
  }
  Watcher* watcher = nullptr;
  Portal* portal = nullptr;
  bool ok = true;
  if (args.contains(QStringLiteral("--watcher"))) {
    watcher = new Watcher;
    ok = ok && bus.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), watcher) &&
         bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher"));
  }
  if (args.contains(QStringLiteral("--notifications"))) {
    ok = ok && bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), new Notifications) &&
         bus.registerService(QStringLiteral("org.freedesktop.Notifications"));
  }
  if (args.contains(QStringLiteral("--portal"))) {
    uint scheme = 0;
    for (const QString& arg : args)
      if (arg.startsWith(QLatin1String("--color-scheme="))) scheme = arg.mid(15).toUInt();
    portal = new Portal(scheme, args.contains(QStringLiteral("--shortcuts")));
    ok = ok && bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), portal) &&
         bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
  }
  if (!ok) {
    Print(QStringLiteral("error ") + bus.lastError().message());
    return 1;
  }
  auto* input = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &application);
  // Raw reads, so that lines arriving together are all taken at once.
  std::string pending;
  QObject::connect(input, &QSocketNotifier::activated, &application, [&] {
    char buffer[4096];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      QCoreApplication::quit();
      return;
    }
    pending.append(buffer, static_cast<size_t>(n));
    for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
      const QString command = QString::fromStdString(pending.substr(0, end));
      pending.erase(0, end + 1);
      if (watcher && (command == QLatin1String("menu") || command == QLatin1String("activate") ||
                      command == QLatin1String("ids") || command.startsWith(QLatin1String("click "))))
        watcher->command(command);
      else if (portal)
        portal->command(command);
    }
  });
  Print(QStringLiteral("ready"));
  return QCoreApplication::exec();
}
