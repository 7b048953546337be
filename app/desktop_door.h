#pragma once
#include <chrono>
#include <optional>

#include "platform/types.h"
#include "secrets/secret_service.h"

namespace pindle {

// Everything that needs the desktop toolkit (the window, the clipboard, notifications, the secret
// store) lives in a module the program loads when it first needs one of them, so a command that
// needs none starts without loading the toolkit's libraries. These are its entry points.
struct DesktopDoor {
  const char* version;  // the program's version: a module from another build is refused
  int (*runWindow)(int argc, char** argv);
  int (*runClipboardKeeper)(int argc, char** argv);
  std::optional<Text> (*readClipboard)(char* programName, Text& problem);
  bool (*keepOnClipboard)(const Text& text, Text& problem);
  void (*notify)(const Text& summary, const Text& body, bool waitForDelivery);
  Text (*secretsUnavailable)(const Text& service, std::chrono::milliseconds timeout);
  SecretLookup (*readSecret)(const Text& service, std::chrono::milliseconds timeout, const Text& key);
  Text (*writeSecret)(const Text& service, std::chrono::milliseconds timeout, const Text& key, const Text& value);
  Text (*removeSecret)(const Text& service, std::chrono::milliseconds timeout, const Text& key);
};

// The module's one exported symbol: a function taking nothing and returning the door.
inline constexpr const char* kDesktopDoorSymbol = "pindle_desktop_door";
inline constexpr const char* kDesktopModuleName = "pindle-desktop.so";

// The word that starts this program as a clipboard keeper (see app/gui/clipboard_keeper.h).
inline constexpr const char* kClipboardKeeperArgument = "--keep-clipboard-in-background";

}  // namespace pindle
