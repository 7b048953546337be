#include "config/desktop_settings.h"

#include "config/settings.h"

namespace pindle {

bool TrayIconSetting() { return Settings::isOn(kTrayIconKey); }

Text GlobalShortcutSetting() { return Settings::read(kSoftwareSection, kGlobalShortcutKey); }

bool DesktopNotificationsSetting() { return Settings::read(kSoftwareSection, kDesktopNotificationsKey) != kOff; }

bool WatchClipboardSetting() { return Settings::isOn(kWatchClipboardKey); }

}  // namespace pindle
