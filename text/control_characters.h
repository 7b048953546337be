#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Texts from services shown where a control character would do harm: a line break splits an
// output line, a tab a TSV field, an escape sequence reaches the terminal. The C0 controls, DEL
// and the C1 controls (U+0080 to U+009F) count.

// For a terminal and its pipes: "\n", "\r", "\t", else "\x1b" and the like ("\u009b" for C1).
Text EscapeControlCharacters(std::string_view text);
// For the window: each control character becomes U+FFFD.
Text ReplaceControlCharacters(std::string_view text);

}  // namespace pindle
