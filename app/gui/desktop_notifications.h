#pragma once
#include "platform/types.h"

namespace pindle {

// A notification through org.freedesktop.Notifications on the session bus, when "桌面通知" is
// on. Without a notification service (or a bus) nothing shows and nothing fails. The window
// does not wait for the service; a process about to end (the command line) waits for it a
// moment with `waitForDelivery`, so the message is not lost with the process.
void NotifyDesktop(const Text& summary, const Text& body, bool waitForDelivery = false);

// Body text as a server that reads markup shows it literally.
Text EscapeNotificationMarkup(const Text& text);

}  // namespace pindle
