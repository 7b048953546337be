#pragma once
#include <functional>

#include "platform/types.h"

namespace pindle {

// The shell's "open" verb: an address opens in the default web browser, a file in the program
// the desktop associates with it. Returns whether the request could be handed over.
bool ShellOpen(const Text& target);

// Replaces how ShellOpen opens things (the window installs the toolkit's own; tests observe
// the calls). An empty handler restores the default, which runs xdg-open.
void SetShellOpenHandler(std::function<bool(const Text&)> handler);

}  // namespace pindle
