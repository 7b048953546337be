#include "app/gui/desktop_integration.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QWindow>

#include "app/gui/clipboard_passes.h"
#include "app/gui/clipboard_watch.h"
#include "app/gui/desktop_clipboard.h"
#include "app/gui/display_platform.h"
#include "app/gui/global_shortcut.h"
#include "app/gui/main_window.h"
#include "app/gui/text_convert.h"
#include "app/gui/tray_icon.h"
#include "app/window_arguments.h"
#include "config/desktop_settings.h"
#include "config/settings.h"

namespace pindle {
namespace {

// The change applies now either way; the user hears that it will not outlast the session.
void Store(Controls& ui, const char* key, const Text& value) {
  if (!Settings::write(kSoftwareSection, key, value)) ui.setStatusText(kSettingNotSavedText);
}
void Store(Controls& ui, const char* key, bool on) { Store(ui, key, Text(on ? kOn : kOff)); }

}  // namespace

DesktopIntegration::DesktopIntegration(MainWindow& window, Controls& ui, const Text& socketPath, Workers& workers)
    : QObject(&window), window_(window), ui_(ui) {
  passes_ = new ClipboardPasses(ui_, workers, this);
  watch_ = new ClipboardWatch(ui_, *passes_, this);
  shortcut_ = new GlobalShortcut(this);
  connect(shortcut_, &GlobalShortcut::pressed, this, [this] { passes_->shortenClipboard(Text()); });
  instance_ = new SingleInstance(
      socketPath, [this](const nlohmann::json& request, const SingleInstance::Reply& reply) { handle(request, reply); },
      this);
  buildSettings();
  window_.setHidesOnClose([this] { return hidesOnClose(); });
  if (!AlwaysOnTopPossible())
    if (auto* onTop = window_.findChild<QCheckBox*>(QStringLiteral("设定_总在最前"))) {
      onTop->setEnabled(false);
      onTop->setToolTip(QStringLiteral("Wayland 下窗口是否总在最前由桌面决定，程序自己设不了"));
    }
}

DesktopIntegration::~DesktopIntegration() = default;

void DesktopIntegration::buildSettings() {
  auto box = [this](const char* caption, const char* name, const QRect& place) {
    auto* check = new QCheckBox(QString::fromUtf8(caption));
    window_.addToSettingsPage(check, QString::fromUtf8(name), place);
    return check;
  };
  // Under the other switches, in their column.
  trayBox_ = box("托盘图标", "设定_托盘图标", {72, 188, 104, 20});
  notifyBox_ = box("桌面通知", "设定_桌面通知", {72, 211, 104, 20});
  watchBox_ = box("自动缩短复制的网址", "设定_自动缩短", {72, 234, 150, 20});
  auto* label = new QLabel(QStringLiteral("全局快捷键："));
  window_.addToSettingsPage(label, QStringLiteral("设定_快捷键标签"), {3, 259, 69, 20});
  shortcutEdit_ = new QKeySequenceEdit;
  if (auto* line = shortcutEdit_->findChild<QLineEdit*>()) line->setPlaceholderText(QStringLiteral("按下快捷键"));
  window_.addToSettingsPage(shortcutEdit_, QStringLiteral("设定_全局快捷键"), {72, 257, 150, 24});
  auto* clear = new QPushButton(QStringLiteral("清除"));
  window_.addToSettingsPage(clear, QStringLiteral("设定_清除快捷键"), {226, 257, 62, 24});
  shortcutState_ = new QLabel;
  shortcutState_->setWordWrap(true);
  shortcutState_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  shortcutState_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  window_.addToSettingsPage(shortcutState_, QStringLiteral("设定_快捷键说明"), {9, 285, 280, 58}, kWidens);

  // Read at start, like the other switches.
  notifyBox_->setChecked(DesktopNotificationsSetting());
  watchBox_->setChecked(WatchClipboardSetting());
  watch_->setOn(watchBox_->isChecked());
  trayClicked(TrayIconSetting());
  trayBox_->setChecked(tray_ != nullptr && tray_->isVisible());
  connect(shortcut_, &GlobalShortcut::stateChanged, shortcutState_, &QLabel::setText);
  const Text sequence = GlobalShortcutSetting();
  shortcutEdit_->setKeySequence(QKeySequence::fromString(ToQt(sequence), QKeySequence::PortableText));
  shortcut_->set(sequence);
  shortcutState_->setText(shortcut_->state());

  // clicked, not toggled: only the user's clicks are written.
  connect(trayBox_, &QCheckBox::clicked, this, [this](bool on) {
    trayClicked(on);
    const bool shown = tray_ != nullptr && tray_->isVisible();
    trayBox_->setChecked(shown);
    if (shown == on) Store(ui_, kTrayIconKey, on);
  });
  connect(notifyBox_, &QCheckBox::clicked, this, [this](bool on) { Store(ui_, kDesktopNotificationsKey, on); });
  connect(watchBox_, &QCheckBox::clicked, this, [this](bool on) {
    watch_->setOn(on);
    Store(ui_, kWatchClipboardKey, on);
  });
  connect(shortcutEdit_, &QKeySequenceEdit::keySequenceChanged, this, [this](const QKeySequence& keys) {
    // One combination, not a chord of several.
    if (keys.count() > 1) shortcutEdit_->setKeySequence(QKeySequence(keys[0]));
  });
  connect(shortcutEdit_, &QKeySequenceEdit::editingFinished, this, &DesktopIntegration::shortcutEdited);
  connect(clear, &QPushButton::clicked, this, [this] {
    shortcutEdit_->clear();
    shortcutEdited();
  });
}

void DesktopIntegration::trayClicked(bool on) {
  if (!on) {
    if (tray_) tray_->setVisible(false);
    return;
  }
  if (!TrayIcon::available()) {
    ui_.setStatusText("这个桌面没有托盘区，托盘图标开不了");
    return;
  }
  if (!tray_) {
    tray_ = new TrayIcon(this);
    connect(tray_, &TrayIcon::shortenClipboardChosen, this, [this] { passes_->shortenClipboard(Text()); });
    connect(tray_, &TrayIcon::showWindowChosen, this, [this] { showWindow(); });
    connect(tray_, &TrayIcon::quitChosen, this, &DesktopIntegration::quit);
    connect(tray_, &TrayIcon::linkChosen, this, [this](const QString& link) {
      PutOnClipboard(FromQt(link));
      ui_.setStatusText("网址已复制到剪辑板");
    });
    connect(passes_, &ClipboardPasses::linkMade, this, [this](const QString& link) { tray_->remember(FromQt(link)); });
  }
  tray_->setVisible(true);
}

void DesktopIntegration::shortcutEdited() {
  const QKeySequence keys = shortcutEdit_->keySequence();
  const Text sequence = keys.isEmpty() ? Text() : FromQt(QKeySequence(keys[0]).toString(QKeySequence::PortableText));
  if (sequence == GlobalShortcutSetting()) return;
  Store(ui_, kGlobalShortcutKey, sequence);
  shortcut_->set(sequence);
}

bool DesktopIntegration::hidesOnClose() const { return !quitting_ && tray_ != nullptr && tray_->isVisible(); }

void DesktopIntegration::showWindow(const Text& activationToken) {
  // A Wayland compositor raises a window only for a token a launcher handed out.
  if (!activationToken.empty()) qputenv("XDG_ACTIVATION_TOKEN", QByteArray::fromStdString(activationToken));
  window_.show();
  window_.setWindowState((window_.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  window_.raise();
  window_.activateWindow();
}

void DesktopIntegration::handle(const nlohmann::json& request, const SingleInstance::Reply& reply) {
  const std::string kind = request.value("request", "");
  if (kind == "open") {
    std::vector<Text> arguments;
    if (request.contains("arguments") && request["arguments"].is_array())
      for (const auto& argument : request["arguments"])
        if (argument.is_string()) arguments.push_back(argument.get<std::string>());
    if (const std::optional<Text> urls = LongUrlBoxText(arguments)) ui_.longUrlBox().setText(*urls);
    showWindow(request.value("activation", ""));
    reply({{"ok", true}});
    return;
  }
  if (kind == "shorten-clipboard") {
    passes_->shortenClipboard(request.value("plugin", ""), [reply](const ClipboardShortening& pass) {
      reply({{"ok", pass.ok}, {"link", pass.link}, {"longUrl", pass.longUrl}, {"problem", pass.problem}});
    });
    return;
  }
  reply({{"ok", false}, {"problem", "这个窗口不认识这个请求"}});
}

void DesktopIntegration::quit() {
  // Closing stops a running batch and waits for its history before the program ends.
  quitting_ = true;
  window_.close();
}

}  // namespace pindle
