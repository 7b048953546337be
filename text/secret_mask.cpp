#include "text/secret_mask.h"

#include <algorithm>
#include <utility>

#include "platform/codepage.h"

namespace pindle {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

constexpr size_t kNoMatch = std::string_view::npos;

// Where the longest written form of `secret` that starts at `start` ends, or kNoMatch. Each byte
// may stand as itself or in one of its encoded forms, and where two fit both are followed ("%25"
// is a '%' and also the start of "%25"): the set of positions reached after each byte.
size_t matchAt(std::string_view text, size_t start, std::string_view secret) {
  std::vector<size_t> reached{start}, next;
  for (const char b : secret) {
    next.clear();
    for (const size_t i : reached) {
      if (i >= text.size()) continue;
      const char c = text[i];
      if (c == b) next.push_back(i + 1);
      if (c == '%' && i + 2 < text.size()) {
        const int hi = hexValue(text[i + 1]), lo = hexValue(text[i + 2]);
        if (hi >= 0 && lo >= 0 && static_cast<unsigned char>(hi * 16 + lo) == static_cast<unsigned char>(b))
          next.push_back(i + 3);
      }
      if (c == '+' && b == ' ') next.push_back(i + 1);
      if (c == '\\' && (b == '"' || b == '\\' || b == '/') && i + 1 < text.size() && text[i + 1] == b)
        next.push_back(i + 2);
    }
    if (next.empty()) return kNoMatch;
    std::sort(next.begin(), next.end());
    next.erase(std::unique(next.begin(), next.end()), next.end());
    reached.swap(next);
  }
  return reached.back();
}

// The value as a JSON body with ASCII-only escapes writes it: "\u00e9" for every character
// beyond ASCII and for control characters (the short escapes where JSON has them). Bytes that are
// no UTF-8 stay as they are.
Bytes JsonAsciiForm(std::string_view value) {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto unit = [](Bytes& out, unsigned u) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(u >> shift) & 15];
  };
  Bytes out;
  for (size_t i = 0; i < value.size();) {
    const auto b = static_cast<unsigned char>(value[i]);
    if (b < 0x20) {
      const char* shortForm = b == '\b'   ? "\\b"
                              : b == '\f' ? "\\f"
                              : b == '\n' ? "\\n"
                              : b == '\r' ? "\\r"
                              : b == '\t' ? "\\t"
                                          : nullptr;
      if (shortForm)
        out += shortForm;
      else
        unit(out, b);
      ++i;
      continue;
    }
    const size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
    bool whole = length > 0 && i + length <= value.size();
    for (size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(value[i + k]) & 0xC0) == 0x80;
    if (!whole || length == 1) {
      out += value[i++];
      continue;
    }
    unsigned cp = b & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) cp = (cp << 6) | (static_cast<unsigned char>(value[i + k]) & 0x3F);
    if (cp >= 0x10000) {
      cp -= 0x10000;
      unit(out, 0xD800 + (cp >> 10));
      unit(out, 0xDC00 + (cp & 0x3FF));
    } else {
      unit(out, cp);
    }
    i += length;
  }
  return out;
}

// Every form of the secrets that is matched byte by byte (each byte may then stand encoded).
std::vector<Bytes> FormsOf(const std::vector<Text>& secrets) {
  std::vector<Bytes> forms;
  for (const Text& s : secrets) {
    if (s.empty()) continue;
    forms.push_back(s);
    if (Bytes gbk = Utf8ToGbk(s); gbk != s) forms.push_back(std::move(gbk));
    if (Bytes json = JsonAsciiForm(s); json != s) forms.push_back(std::move(json));
  }
  return forms;
}

}  // namespace

bool HoldsSecret(std::string_view text, const std::vector<Text>& secrets) {
  const std::vector<Bytes> forms = FormsOf(secrets);
  for (size_t i = 0; i < text.size() && !forms.empty(); ++i)
    for (const Bytes& f : forms)
      if (matchAt(text, i, f) != kNoMatch) return true;
  return false;
}

Text MaskSecrets(std::string_view text, const std::vector<Text>& secrets) {
  const std::vector<Bytes> forms = FormsOf(secrets);
  if (forms.empty()) return Text(text);
  // Spans to hide, found at every start so that overlapping secrets are hidden together.
  std::vector<std::pair<size_t, size_t>> spans;
  for (size_t i = 0; i < text.size(); ++i) {
    size_t longest = kNoMatch;
    for (const Bytes& f : forms) {
      const size_t end = matchAt(text, i, f);
      if (end != kNoMatch && (longest == kNoMatch || end > longest)) longest = end;
    }
    if (longest != kNoMatch) spans.emplace_back(i, longest);
  }
  Text out;
  size_t pos = 0;
  for (size_t s = 0; s < spans.size();) {
    const size_t start = spans[s].first;
    size_t end = spans[s].second;
    for (++s; s < spans.size() && spans[s].first < end; ++s) end = std::max(end, spans[s].second);
    out.append(text.substr(pos, start - pos));
    out += kSecretMask;
    pos = end;
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace pindle
