#pragma once
#include <optional>

#include "platform/types.h"

namespace pindle {

// Wayland gives the clipboard only to the focused window, and a program's clipboard goes with
// it. Where the compositor offers the data-control protocol (wlroots: sway, Hyprland, …),
// wl-clipboard's wl-copy and wl-paste read and set it from any process, and wl-copy serves
// what it was given until another program takes the clipboard. GNOME and KDE offer no
// data-control; their compositors keep the clipboard of a program that ended themselves.

// Whether this process runs in a Wayland session (WAYLAND_DISPLAY set).
bool InWaylandSession();

// Whether the Wayland compositor offers data-control and wl-copy and wl-paste are installed;
// asked of the compositor once per process.
bool DataControlClipboardUsable();

// Why the clipboard cannot be reached without a window here, in one line (for a Wayland
// session without data-control).
Text NoDataControlReason();

// The clipboard's text through wl-paste (empty when it holds none or no text), or nothing with
// `problem` set.
std::optional<Text> ReadThroughDataControl(Text& problem);

// Hands `text` to a wl-copy of its own and returns once the clipboard serves it; a wl-copy that
// does not get the clipboard is ended at once. The wl-copy runs on after this process until
// another program takes the clipboard.
bool KeepThroughDataControl(const Text& text, Text& problem);

}  // namespace pindle
