#pragma once
#include <QLocalServer>
#include <QObject>
#include <functional>
#include <nlohmann/json.hpp>

#include "platform/types.h"

namespace pindle {

// The running window's end of the instance channel (app/instance_channel.h): it listens on the
// settings file's socket and hands each request to `handle`, which answers through `reply`
// (now or later). A socket file left by a killed window is removed before listening.
class SingleInstance : public QObject {
  Q_OBJECT
 public:
  using Reply = std::function<void(const nlohmann::json&)>;
  using Handler = std::function<void(const nlohmann::json& request, Reply reply)>;
  SingleInstance(const Text& socketPath, Handler handle, QObject* parent);
  ~SingleInstance() override;
  bool listening() const { return server_.isListening(); }

 private:
  void accept();
  QLocalServer server_;
  Text path_;
  Handler handle_;
};

}  // namespace pindle
