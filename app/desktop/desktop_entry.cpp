// The desktop module's entry point: the door the program loads (see app/desktop_door.h).
#include "app/desktop_door.h"
#include "app/gui/clipboard_keeper.h"
#include "app/gui/desktop_notifications.h"
#include "app/gui/run_window.h"
#include "app/gui/system_clipboard_access.h"
#include "config/version.h"

namespace pindle {
namespace {

const DesktopDoor kDoor{
    .version = kProgramVersion,
    .runWindow = RunWindow,
    .runClipboardKeeper = RunClipboardKeeper,
    .readClipboard = ReadSystemClipboard,
    .keepOnClipboard = KeepOnSystemClipboard,
    .notify = NotifyDesktop,
    .secretsUnavailable =
        [](const Text& service, std::chrono::milliseconds timeout) {
          return SecretService(service, timeout).unavailableReason();
        },
    .readSecret = [](const Text& service, std::chrono::milliseconds timeout,
                     const Text& key) { return SecretService(service, timeout).read(key); },
    .writeSecret = [](const Text& service, std::chrono::milliseconds timeout, const Text& key,
                      const Text& value) { return SecretService(service, timeout).write(key, value); },
    .removeSecret = [](const Text& service, std::chrono::milliseconds timeout,
                       const Text& key) { return SecretService(service, timeout).remove(key); },
};

}  // namespace
}  // namespace pindle

extern "C" __attribute__((visibility("default"))) const pindle::DesktopDoor* pindle_desktop_door() {
  return &pindle::kDoor;
}
