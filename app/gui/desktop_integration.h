#pragma once
#include <QCheckBox>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QObject>
#include <nlohmann/json.hpp>

#include "app/gui/actions/controls.h"
#include "app/gui/single_instance.h"
#include "platform/background.h"

namespace pindle {

class ClipboardPasses;
class ClipboardWatch;
class GlobalShortcut;
class MainWindow;
class TrayIcon;

// The window at home on today's desktops: the tray icon, the global shortcut, clipboard
// watching, notifications and the one-window rule, with their switches on the 设定 page (read
// at start, written when clicked). With every switch off the window behaves as it always did.
class DesktopIntegration : public QObject {
  Q_OBJECT
 public:
  // `workers` run the clipboard passes; they must outlive the window's controls' last use.
  DesktopIntegration(MainWindow& window, Controls& ui, const Text& socketPath, Workers& workers);
  ~DesktopIntegration() override;

  // Whether closing the window only hides it into the tray.
  bool hidesOnClose() const;
  // Shows the window, raised and active; `activationToken` is the one a later start brought.
  void showWindow(const Text& activationToken = {});
  // A request of a later start (app/instance_channel.h).
  void handle(const nlohmann::json& request, const SingleInstance::Reply& reply);
  TrayIcon* tray() { return tray_; }

 private:
  void buildSettings();
  void trayClicked(bool on);
  void shortcutEdited();
  void quit();

  MainWindow& window_;
  Controls& ui_;
  ClipboardPasses* passes_;
  ClipboardWatch* watch_;
  GlobalShortcut* shortcut_;
  TrayIcon* tray_ = nullptr;
  SingleInstance* instance_;
  QCheckBox* trayBox_ = nullptr;
  QCheckBox* notifyBox_ = nullptr;
  QCheckBox* watchBox_ = nullptr;
  QKeySequenceEdit* shortcutEdit_ = nullptr;
  QLabel* shortcutState_ = nullptr;
  bool quitting_ = false;
};

}  // namespace pindle
