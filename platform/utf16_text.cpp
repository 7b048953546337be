#include "platform/utf16_text.h"

#include "platform/codepage.h"

namespace pindle {

std::optional<Text> DecodeUtf16WithMark(std::string_view bytes) {
  if (bytes.size() < 2) return std::nullopt;
  const auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
  if (b0 == 0xFF && b1 == 0xFE) return Utf16ToUtf8(bytes.substr(2), true);
  if (b0 == 0xFE && b1 == 0xFF) return Utf16ToUtf8(bytes.substr(2), false);
  return std::nullopt;
}

}  // namespace pindle
