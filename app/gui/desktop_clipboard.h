#pragma once
#include <optional>

#include "platform/types.h"

namespace pindle {

// The clipboard as the window uses it. On X11 (and on Wayland desktops without data-control)
// through the toolkit; on a Wayland compositor with data-control through wl-copy and wl-paste,
// which reach it while the window has no focus (a tray menu, a global shortcut) and keep a
// copied link after the window is gone. Window thread only.

// Puts `text` on the clipboard.
void PutOnClipboard(const Text& text);

// The clipboard's text (empty when it holds none), or nothing with `problem` set where this
// process cannot read it now.
std::optional<Text> ReadClipboard(Text& problem);

// The text Pindle itself put on the clipboard last (empty before the first).
Text LastTextPutOnClipboard();

}  // namespace pindle
