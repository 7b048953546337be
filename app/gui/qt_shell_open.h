#pragma once
#include <QUrl>

#include "platform/types.h"

namespace pindle {

// What the shell's "open" verb is given, as an address: a local file path becomes a file URL,
// anything else is read as a web address.
QUrl ShellOpenTarget(const Text& target);

// Makes ShellOpen use the desktop's own handlers (QDesktopServices), on the window thread
// whichever thread asks.
void InstallShellOpenHandler();

}  // namespace pindle
