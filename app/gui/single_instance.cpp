#include "app/gui/single_instance.h"

#include <QLocalSocket>
#include <QPointer>

#include "app/gui/text_convert.h"
#include "app/instance_channel.h"

namespace pindle {
namespace {

constexpr qint64 kLongestRequest = 1 << 20;

}  // namespace

SingleInstance::SingleInstance(const Text& socketPath, Handler handle, QObject* parent)
    : QObject(parent), path_(socketPath), handle_(std::move(handle)) {
  if (path_.empty()) return;
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  if (!server_.listen(ToQt(path_)) && server_.serverError() == QAbstractSocket::AddressInUseError) {
    // Nobody answering there: the file of a window that was killed.
    if (!AskRunningWindow(path_, {{"request", "ping"}}, 1000)) {
      QLocalServer::removeServer(ToQt(path_));
      server_.listen(ToQt(path_));
    }
  }
  connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::accept);
}

SingleInstance::~SingleInstance() { server_.close(); }

void SingleInstance::accept() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > kLongestRequest) socket->abort();
        return;
      }
      const QByteArray line = socket->readLine();
      nlohmann::json request = nlohmann::json::parse(line.constData(), line.constData() + line.size(), nullptr, false);
      QPointer<QLocalSocket> answerTo(socket);
      Reply reply = [answerTo](const nlohmann::json& answer) {
        if (!answerTo) return;
        const std::string bytes = answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
        answerTo->write(bytes.data(), static_cast<qint64>(bytes.size()));
        answerTo->flush();
      };
      if (!request.is_object()) {
        reply({{"ok", false}});
        return;
      }
      if (request.value("request", "") == "ping") {
        reply({{"ok", true}});
        return;
      }
      handle_(request, reply);
    });
  }
}

}  // namespace pindle
