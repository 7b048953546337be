#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Which bytes stay as they are when bytes are percent-encoded; every other byte becomes %XX
// (upper-case hex).
enum class PercentKeep {
  Nothing,          // every byte, as the classic $Url$ writes the long URL
  Safe,             // "-", ".", digits and ASCII letters
  Unreserved,       // ASCII letters, digits, "-", ".", "_", "~" (form and query values)
  Printable,        // every printable ASCII byte: only blanks, controls and non-ASCII are encoded
  AllButFormSyntax  // everything but "&", "=", "+", "%", "#", blanks and controls (a value in a form)
};

Text PercentEncodeBytes(std::string_view bytes, PercentKeep keep);

// A text's bytes as %XX (upper-case hex); with keepSafe, "-", ".", digits and ASCII letters stay.
// The bytes are those of code page 936 (so "中" goes out as %D6%D0), or of UTF-8 when utf8 is on.
Text PercentEncode(const Text& text, bool keepSafe = false, bool utf8 = false);

// %XX sequences back to their bytes; a "%" without two hex digits stays as it is, "+" stays "+".
Bytes PercentDecode(std::string_view text);

}  // namespace pindle
