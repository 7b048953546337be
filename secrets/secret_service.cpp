#include "secrets/secret_service.h"

#include <qt6keychain/keychain.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <memory>

#include "secrets/application_thread.h"

namespace pindle {
namespace {

// The bus names a store QtKeychain can use answers under: the Secret Service, or KWallet on KDE.
const char* const kStoreNames[] = {"org.freedesktop.secrets", "org.kde.kwalletd6", "org.kde.kwalletd5",
                                   "org.kde.kwalletd"};

Text oneLine(const QString& s) { return s.simplified().toStdString(); }

Text probeBus() {
  static std::atomic<int> serial{0};
  const QString name = QStringLiteral("pindle-secret-probe-%1").arg(serial++);
  Text reason;
  {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    if (!bus.isConnected()) {
      reason = "没有 D-Bus 会话总线（" + oneLine(bus.lastError().message()) + "），找不到密钥服务";
    } else {
      QDBusConnectionInterface* dbus = bus.interface();
      const QDBusReply<QStringList> activatable = dbus->call(QStringLiteral("ListActivatableNames"));
      bool found = false;
      for (const char* store : kStoreNames) {
        const QString n = QString::fromLatin1(store);
        if (dbus->isServiceRegistered(n).value() || (activatable.isValid() && activatable.value().contains(n)))
          found = true;
      }
      if (!found) reason = "会话总线上没有运行中的密钥服务（Secret Service，如 GNOME 密钥环、KWallet、KeePassXC）";
    }
  }
  QDBusConnection::disconnectFromBus(name);
  return reason;
}

struct JobOutcome {
  bool finished = false;
  QKeychain::Error error = QKeychain::NoError;
  Text errorText;
  Text data;
};

// Starts the job and waits for it in a local event loop. A job that outlives the wait deletes
// itself when it ends.
JobOutcome runJob(QKeychain::Job* job, std::chrono::milliseconds timeout) {
  JobOutcome out;
  job->setAutoDelete(false);
  {
    QEventLoop loop;
    QObject::connect(job, &QKeychain::Job::finished, &loop, [&] {
      out.finished = true;
      loop.quit();
    });
    QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
    job->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
  }
  if (!out.finished) {
    job->setAutoDelete(true);
    out.errorText = "密钥服务在 " + std::to_string((timeout.count() + 999) / 1000) + " 秒内没有回应";
    return out;
  }
  out.error = job->error();
  out.errorText = oneLine(job->errorString());
  if (auto* read = qobject_cast<QKeychain::ReadPasswordJob*>(job)) out.data = read->textData().toStdString();
  delete job;
  return out;
}

// The job's outcome, run on the application's thread.
JobOutcome run(std::function<QKeychain::Job*()> makeJob, std::chrono::milliseconds timeout) {
  auto outcome = std::make_shared<JobOutcome>();
  const Text refused = RunOnApplicationThread(
      [makeJob = std::move(makeJob), outcome, timeout] { *outcome = runJob(makeJob(), timeout); },
      timeout + std::chrono::seconds(5));
  if (!refused.empty()) {
    JobOutcome out;
    out.errorText = refused;
    return out;
  }
  return *outcome;
}

}  // namespace

SecretService::SecretService(Text service, std::chrono::milliseconds timeout)
    : service_(std::move(service)), timeout_(timeout) {}

Text SecretService::unavailableReason() const {
  auto reason = std::make_shared<Text>();
  const Text refused = RunOnApplicationThread([reason] { *reason = probeBus(); }, timeout_);
  return refused.empty() ? *reason : refused;
}

SecretLookup SecretService::read(const Text& key) const {
  const QString service = QString::fromStdString(service_), name = QString::fromStdString(key);
  const JobOutcome o = run(
      [=]() -> QKeychain::Job* {
        auto* job = new QKeychain::ReadPasswordJob(service);
        job->setKey(name);
        return job;
      },
      timeout_);
  SecretLookup out;
  if (!o.finished)
    out.error = o.errorText;
  else if (o.error != QKeychain::NoError && o.error != QKeychain::EntryNotFound)
    out.error = "密钥服务读取失败：" + o.errorText;
  else if (o.error == QKeychain::NoError)
    out = {true, o.data, ""};
  return out;
}

Text SecretService::write(const Text& key, const Text& value) const {
  const QString service = QString::fromStdString(service_), name = QString::fromStdString(key);
  const QString data = QString::fromStdString(value);
  const JobOutcome o = run(
      [=]() -> QKeychain::Job* {
        auto* job = new QKeychain::WritePasswordJob(service);
        job->setKey(name);
        job->setTextData(data);
        return job;
      },
      timeout_);
  if (!o.finished) return o.errorText;
  if (o.error != QKeychain::NoError) return "密钥服务写入失败：" + o.errorText;
  return {};
}

Text SecretService::remove(const Text& key) const {
  const QString service = QString::fromStdString(service_), name = QString::fromStdString(key);
  const JobOutcome o = run(
      [=]() -> QKeychain::Job* {
        auto* job = new QKeychain::DeletePasswordJob(service);
        job->setKey(name);
        return job;
      },
      timeout_);
  if (!o.finished) return o.errorText;
  if (o.error != QKeychain::NoError && o.error != QKeychain::EntryNotFound) return "密钥服务删除失败：" + o.errorText;
  return {};
}

}  // namespace pindle
