#include "app/gui/global_shortcut.h"

#include <QGuiApplication>
#include <QKeySequence>

#include "app/gui/portal_global_shortcuts.h"
#include "app/gui/shortcut_keys.h"
#include "app/gui/text_convert.h"
#include "app/gui/wayland_clipboard.h"
#include "app/gui/x11_key_grab.h"

namespace pindle {
namespace {

QString BindElsewhere(const QString& why) {
  return why + QStringLiteral("。可在桌面的键盘设置里把按键绑定到命令：") + QString::fromUtf8(kClipboardCommand);
}

}  // namespace

GlobalShortcut::GlobalShortcut(QObject* parent) : QObject(parent) { set(Text()); }

GlobalShortcut::~GlobalShortcut() = default;

void GlobalShortcut::set(const Text& sequence) {
  if (portal_) portal_->release();
  if (grab_) grab_->release();
  const QKeySequence keys = QKeySequence::fromString(ToQt(sequence), QKeySequence::PortableText);
  shown_ = keys.toString(QKeySequence::NativeText);
  if (sequence.empty()) {
    setState(BindElsewhere(QStringLiteral("没有设全局快捷键")));
    return;
  }
  const std::optional<ShortcutKey> key = ShortcutKeyOf(keys);
  if (!key) {
    setState(shown_ + QStringLiteral(" 不能做全局快捷键：要带 Ctrl、Alt、Shift 或 Super（F1–F24 可单用）"));
    return;
  }
  if (PortalGlobalShortcuts::offered()) {
    if (!portal_) {
      portal_ = new PortalGlobalShortcuts(this);
      connect(portal_, &PortalGlobalShortcuts::pressed, this, &GlobalShortcut::pressed);
      connect(portal_, &PortalGlobalShortcuts::bound, this,
              [this] { setState(shown_ + QStringLiteral(" 已通过桌面门户登记")); });
      connect(portal_, &PortalGlobalShortcuts::failed, this,
              [this](const QString& reason) { setState(BindElsewhere(reason)); });
    }
    setState(QStringLiteral("正在向桌面登记 ") + shown_ + QStringLiteral("…"));
    portal_->bind(key->portalTrigger, QStringLiteral("缩短剪贴板上的网址"));
    return;
  }
  // Under a Wayland compositor an X grab only sees keys while an X window has the focus.
  if (X11KeyGrab::available() && !InWaylandSession()) {
    if (!grab_) {
      grab_ = new X11KeyGrab(this);
      connect(grab_, &X11KeyGrab::pressed, this, &GlobalShortcut::pressed);
    }
    Text problem;
    if (grab_->grab(*key, problem)) {
      setState(shown_ + QStringLiteral(" 已在 X11 上登记"));
    } else {
      setState(BindElsewhere(shown_ + QStringLiteral(" 登记不了：") + ToQt(problem)));
    }
    return;
  }
  setState(BindElsewhere(QStringLiteral("这个桌面不让程序自己登记全局快捷键")));
}

void GlobalShortcut::setState(const QString& state) {
  state_ = state;
  emit stateChanged(state_);
}

}  // namespace pindle
