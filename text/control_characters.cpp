#include "text/control_characters.h"

#include <cstdio>

namespace pindle {
namespace {

// The length of the control character at `i` (1 for C0 and DEL, 2 for a C1 in UTF-8), or 0.
std::size_t ControlAt(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x20 || b == 0x7F) return 1;
  if (b == 0xC2 && i + 1 < text.size()) {
    const auto next = static_cast<unsigned char>(text[i + 1]);
    if (next >= 0x80 && next <= 0x9F) return 2;
  }
  return 0;
}

template <typename Replace>
Text Rewrite(std::string_view text, Replace replace) {
  Text out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t n = ControlAt(text, i);
    if (n == 0) {
      out += text[i++];
      continue;
    }
    out += replace(text.substr(i, n));
    i += n;
  }
  return out;
}

}  // namespace

Text EscapeControlCharacters(std::string_view text) {
  return Rewrite(text, [](std::string_view c) -> Text {
    if (c == "\n") return "\\n";
    if (c == "\r") return "\\r";
    if (c == "\t") return "\\t";
    char buffer[8];
    if (c.size() == 1)
      std::snprintf(buffer, sizeof buffer, "\\x%02x", static_cast<unsigned char>(c[0]));
    else
      std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned char>(c[1]));
    return buffer;
  });
}

Text ReplaceControlCharacters(std::string_view text) {
  return Rewrite(text, [](std::string_view) { return Text("\xEF\xBF\xBD"); });
}

}  // namespace pindle
