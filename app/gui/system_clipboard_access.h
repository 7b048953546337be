#pragma once
#include <optional>

#include "platform/types.h"

namespace pindle {

// The desktop clipboard for a process without a window (the command line).

// The clipboard's text (empty when it holds none), or nothing with `problem` set when no
// display can be reached. Starts the toolkit on first use; `programName` is argv[0].
std::optional<Text> ReadSystemClipboard(char* programName, Text& problem);

// Puts `text` on the clipboard through a background keeper, so it stays after this process.
bool KeepOnSystemClipboard(const Text& text, Text& problem);

}  // namespace pindle
