#pragma once
#include "app/desktop_door.h"
#include "platform/types.h"

namespace pindle {

// On X11 the clipboard's content lives in the program that set it and goes with it. Before this
// process ends, what it put on the clipboard is handed to a keeper: this same program started
// in the background in a mode no user calls, which takes the clipboard and serves it until
// another program takes it over (or, where a clipboard manager runs, hands it to the manager
// and ends at once).
// kClipboardKeeperArgument is the word of that mode.

// The keeper's main: the text on standard input; writes one byte to standard output once it
// owns the clipboard. Exit code 0, or 1 when it could not take the clipboard.
int RunClipboardKeeper(int argc, char** argv);

// Starts a keeper for `text` and waits (a few seconds at most) until it owns the clipboard.
bool StartClipboardKeeper(const Text& text);

// For the window's immediate exit: when this process owns the clipboard, its text goes to a
// keeper first. Does nothing otherwise.
void HandOverClipboard();

}  // namespace pindle
