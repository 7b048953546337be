#include "text/percent_encoding.h"

#include "platform/codepage.h"

namespace pindle {
namespace {

bool IsAlnum(unsigned char b) { return (b >= '0' && b <= '9') || (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z'); }

bool Keeps(PercentKeep keep, unsigned char b) {
  switch (keep) {
    case PercentKeep::Nothing:
      return false;
    case PercentKeep::Safe:
      return IsAlnum(b) || b == '-' || b == '.';
    case PercentKeep::Unreserved:
      return IsAlnum(b) || b == '-' || b == '.' || b == '_' || b == '~';
    case PercentKeep::Printable:
      return b > 0x20 && b < 0x7F;
    case PercentKeep::AllButFormSyntax:
      return b > 0x20 && b != 0x7F && b != '&' && b != '=' && b != '+' && b != '%' && b != '#';
  }
  return false;
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

Text PercentEncodeBytes(std::string_view bytes, PercentKeep keep) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // Written through a pointer: a push_back per byte cost more than the encoding itself.
  Text out(bytes.size() * 3, '\0');
  char* next = out.data();
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    if (Keeps(keep, b)) {
      *next++ = ch;
    } else {
      *next++ = '%';
      *next++ = kHex[b >> 4];
      *next++ = kHex[b & 0x0F];
    }
  }
  out.resize(static_cast<size_t>(next - out.data()));
  return out;
}

Bytes PercentDecode(std::string_view text) {
  Bytes out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
      out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
      i += 2;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

Text PercentEncode(const Text& text, bool keepSafe, bool utf8) {
  if (text.empty()) return {};
  return PercentEncodeBytes(utf8 ? Bytes(text) : Utf8ToGbk(text), keepSafe ? PercentKeep::Safe : PercentKeep::Nothing);
}

}  // namespace pindle
