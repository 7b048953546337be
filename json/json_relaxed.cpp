#include "json/json_relaxed.h"

namespace pindle {
namespace {

// Written by hand: the JSON libraries at hand read comments at most, not the rest of what an
// object literal allows, and a script engine would run the text.

constexpr char kHex[] = "0123456789abcdef";

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return c - 'A' + 10;
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A character that may stand in a bare member name: ASCII letters, digits, "_", "$" and every
// byte of a non-ASCII character (names such as 名称 are identifiers in JavaScript).
bool IsNameByte(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || IsDigit(c) || b == '_' || b == '$' || b >= 0x80;
}
bool IsNumberByte(char c) {
  return IsDigit(c) || c == '.' || c == '+' || c == '-' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Bytes of a blank at `i`, or 0: ASCII blanks and line breaks, vertical tab, form feed, the
// byte-order mark U+FEFF and the no-break space U+00A0.
size_t BlankLength(std::string_view s, size_t i) {
  const char c = s[i];
  if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f') return 1;
  if (s.compare(i, 3, "\xEF\xBB\xBF") == 0) return 3;
  if (s.compare(i, 2, "\xC2\xA0") == 0) return 2;
  return 0;
}

// Bytes of a comment at `i` (0 when none stands there); npos when a block comment is left open.
size_t CommentLength(std::string_view s, size_t i) {
  if (s[i] != '/' || i + 1 >= s.size()) return 0;
  if (s[i + 1] == '/') {
    size_t end = i + 2;
    while (end < s.size() && s[end] != '\n' && s[end] != '\r') ++end;
    return end - i;
  }
  if (s[i + 1] == '*') {
    const size_t close = s.find("*/", i + 2);
    return close == std::string_view::npos ? std::string_view::npos : close + 2 - i;
  }
  return 0;
}

// The first byte at or after `i` that is neither blank nor comment (s.size() when none).
size_t NextSignificant(std::string_view s, size_t i) {
  while (i < s.size()) {
    if (const size_t blank = BlankLength(s, i)) {
      i += blank;
      continue;
    }
    const size_t comment = CommentLength(s, i);
    if (comment == 0 || comment == std::string_view::npos) break;
    i += comment;
  }
  return i;
}

void AppendUnicodeEscape(std::string& out, unsigned unit) {
  out += "\\u";
  for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(unit >> shift) & 0xF];
}

// Four hex digits at `i`, or -1.
long Hex4(std::string_view s, size_t i) {
  if (i + 4 > s.size()) return -1;
  long value = 0;
  for (size_t k = i; k < i + 4; ++k) {
    if (!IsHexDigit(s[k])) return -1;
    value = value * 16 + HexValue(s[k]);
  }
  return value;
}

// Reads the string whose opening quote stands at `i` and writes it as a JSON string. Returns the
// index behind the closing quote, or npos when the string is never closed or an escape is broken.
size_t CopyString(std::string_view s, size_t i, std::string& out) {
  const char quote = s[i++];
  out += '"';
  while (i < s.size()) {
    const char c = s[i];
    const auto b = static_cast<unsigned char>(c);
    if (c == quote) {
      out += '"';
      return i + 1;
    }
    if (c == '\\') {
      if (i + 1 >= s.size()) return std::string_view::npos;
      const char e = s[i + 1];
      i += 2;
      switch (e) {
        case '"':
        case '\\':
        case '/':
        case 'b':
        case 'f':
        case 'n':
        case 'r':
        case 't':
          out += '\\';
          out += e;
          break;
        case '\'':
          out += '\'';
          break;
        case 'v':
          out += "\\u000b";
          break;
        case '0':
          if (i < s.size() && IsDigit(s[i])) return std::string_view::npos;  // octal: not taken
          out += "\\u0000";
          break;
        case 'x':
          if (i + 2 > s.size() || !IsHexDigit(s[i]) || !IsHexDigit(s[i + 1])) return std::string_view::npos;
          AppendUnicodeEscape(out, static_cast<unsigned>(HexValue(s[i]) * 16 + HexValue(s[i + 1])));
          i += 2;
          break;
        case 'u': {
          const long unit = Hex4(s, i);
          if (unit < 0) return std::string_view::npos;
          i += 4;
          if (unit >= 0xD800 && unit <= 0xDBFF && s.compare(i, 2, "\\u") == 0) {
            const long low = Hex4(s, i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
              AppendUnicodeEscape(out, static_cast<unsigned>(unit));
              AppendUnicodeEscape(out, static_cast<unsigned>(low));
              i += 6;
              break;
            }
          }
          // Half a pair, as a service leaves it when it cuts a text inside an emoji.
          AppendUnicodeEscape(out, (unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : static_cast<unsigned>(unit));
          break;
        }
        case '\r':  // a backslash in front of a line break continues the line
          if (i < s.size() && s[i] == '\n') ++i;
          break;
        case '\n':
          break;
        default:
          // Any other escaped character stands for itself; its further bytes follow as they are.
          if (static_cast<unsigned char>(e) < 0x20)
            AppendUnicodeEscape(out, static_cast<unsigned char>(e));
          else
            out += e;
          break;
      }
      continue;
    }
    if (b < 0x20) {
      switch (c) {
        case '\t':
          out += "\\t";
          break;
        case '\n':
          out += "\\n";
          break;
        case '\r':
          out += "\\r";
          break;
        default:
          AppendUnicodeEscape(out, b);
      }
    } else if (c == '"') {
      out += "\\\"";  // a double quote inside single quotes
    } else {
      out += c;
    }
    ++i;
  }
  return std::string_view::npos;
}

}  // namespace

std::optional<std::string> RelaxedToStrictJson(std::string_view s) {
  enum class Last { Nothing, Open, Value, Comma };
  std::string out;
  out.reserve(s.size() + 16);
  Last last = Last::Nothing;
  Last beforeComma = Last::Nothing;
  size_t commaAt = 0;
  size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (const size_t blank = BlankLength(s, i)) {
      out += blank == 1 && c != '\v' && c != '\f' ? c : ' ';
      i += blank;
      continue;
    }
    if (const size_t comment = CommentLength(s, i)) {
      if (comment == std::string_view::npos) return std::nullopt;
      out += ' ';  // a comment still separates what stands on either side
      i += comment;
      continue;
    }
    if (c == '"' || c == '\'') {
      i = CopyString(s, i, out);
      if (i == std::string_view::npos) return std::nullopt;
      last = Last::Value;
      continue;
    }
    if (c == ',') {
      beforeComma = last;
      commaAt = out.size();
      out += c;
      last = Last::Comma;
      ++i;
      continue;
    }
    if (c == '}' || c == ']') {
      if (last == Last::Comma && beforeComma == Last::Value) out[commaAt] = ' ';
      out += c;
      last = Last::Value;
      ++i;
      continue;
    }
    if (c == '{' || c == '[') {
      out += c;
      last = Last::Open;
      ++i;
      continue;
    }
    if (c == ':') {
      out += c;
      last = Last::Nothing;
      ++i;
      continue;
    }
    const bool nameStart = IsNameByte(c) && !IsDigit(c);
    if (nameStart || IsNumberByte(c)) {
      // A word or number; in front of a colon it is a member name and gets its quotes.
      size_t end = i;
      bool digitsOnly = true;
      while (end < s.size() && (nameStart ? IsNameByte(s[end]) : IsNumberByte(s[end])) && BlankLength(s, end) == 0) {
        digitsOnly = digitsOnly && IsDigit(s[end]);
        ++end;
      }
      const std::string_view word = s.substr(i, end - i);
      const size_t next = NextSignificant(s, end);
      if ((nameStart || digitsOnly) && next < s.size() && s[next] == ':') {
        out += '"';
        out += word;
        out += '"';
      } else {
        out += word;
      }
      last = Last::Value;
      i = end;
      continue;
    }
    out += c;
    last = Last::Value;
    ++i;
  }
  return out;
}

}  // namespace pindle
