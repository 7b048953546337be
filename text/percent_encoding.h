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

// %XX sequences back to their bytes; a "%" without two hex digits stays as it is, "+" stays "+".
Bytes PercentDecode(std::string_view text);

}  // namespace pindle
