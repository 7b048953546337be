#pragma once
#include "platform/types.h"

namespace pindle {

// The switches of the desktop's conveniences, in section "软件设定" like the others; each is
// read when it is needed and written when its box is clicked.

// A tray icon; closing the window then hides it into the tray. Off unless "真".
inline constexpr const char* kTrayIconKey = "托盘图标";
bool TrayIconSetting();

// The key sequence ("Ctrl+Alt+S") that shortens the clipboard's address from anywhere; empty:
// none.
inline constexpr const char* kGlobalShortcutKey = "全局快捷键";
Text GlobalShortcutSetting();

// Notifications after a clipboard shortening and a long batch. On unless "假".
inline constexpr const char* kDesktopNotificationsKey = "桌面通知";
bool DesktopNotificationsSetting();

// Long addresses copied by other programs are shortened on the clipboard. Off unless "真".
inline constexpr const char* kWatchClipboardKey = "自动缩短复制的网址";
bool WatchClipboardSetting();

}  // namespace pindle
