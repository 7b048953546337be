#include "platform/utf16_text.h"

namespace pindle {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(Text& out, char32_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

}  // namespace

// By hand: the standard library's UTF-16 converters are deprecated, and this is one loop.
std::optional<Text> DecodeUtf16WithMark(std::string_view bytes) {
  if (bytes.size() < 2) return std::nullopt;
  const auto b0 = static_cast<unsigned char>(bytes[0]), b1 = static_cast<unsigned char>(bytes[1]);
  bool littleEndian;
  if (b0 == 0xFF && b1 == 0xFE) {
    littleEndian = true;
  } else if (b0 == 0xFE && b1 == 0xFF) {
    littleEndian = false;
  } else {
    return std::nullopt;
  }
  auto unitAt = [&](size_t i) -> char32_t {
    const auto lo = static_cast<unsigned char>(bytes[littleEndian ? i : i + 1]);
    const auto hi = static_cast<unsigned char>(bytes[littleEndian ? i + 1 : i]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  Text out;
  out.reserve(bytes.size());
  size_t i = 2;
  for (; i + 1 < bytes.size(); i += 2) {
    const char32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
      const char32_t next = unitAt(i + 2);
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  if (i < bytes.size()) AppendUtf8(out, kReplacement);
  return out;
}

}  // namespace pindle
