#include "json/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace pindle {
namespace {

// Decodes one UTF-8 character at `i`; returns its byte length, 0 when the bytes there do not form one.
std::size_t DecodeUtf8(std::string_view s, std::size_t i, char32_t& cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  std::size_t length = 0;
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    cp = b0 & 0x0F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    cp = b0 & 0x07;
  } else {
    return 0;
  }
  if (i + length > s.size()) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((length == 3 && cp < 0x800) || (cp >= 0xD800 && cp <= 0xDFFF) || (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
    return 0;  // overlong form, surrogate, or beyond Unicode
  return length;
}

// json2's "escapable" set, less the quote and backslash handled beside it.
bool NeedsUnicodeEscape(char32_t c) {
  return c <= 0x1F || (c >= 0x7F && c <= 0x9F) || c == 0xAD || (c >= 0x600 && c <= 0x604) || c == 0x70F ||
         c == 0x17B4 || c == 0x17B5 || (c >= 0x200C && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F) ||
         (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF0 && c <= 0xFFFF);
}

void AppendQuoted(Text& out, std::string_view s) {
  out += '"';
  std::size_t i = 0;
  while (i < s.size()) {
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(s, i, cp);
    if (length == 0) {  // not UTF-8: kept as the byte it is
      out += s[i++];
      continue;
    }
    switch (cp) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (NeedsUnicodeEscape(cp)) {
          char buffer[8];
          std::snprintf(buffer, sizeof buffer, "\\u%04x", static_cast<unsigned>(cp));
          out += buffer;
        } else {
          out.append(s.substr(i, length));
        }
    }
    i += length;
  }
  out += '"';
}

void AppendStringify(Text& out, const Json& value) {
  switch (value.type()) {
    case Json::value_t::null:
      out += "null";
      break;
    case Json::value_t::boolean:
      out += value.get<bool>() ? "true" : "false";
      break;
    case Json::value_t::number_float:
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned: {
      const double number = value.get<double>();
      out += std::isfinite(number) ? JsNumberText(number) : "null";
      break;
    }
    case Json::value_t::string:
      AppendQuoted(out, value.get_ref<const Json::string_t&>());
      break;
    case Json::value_t::array: {
      out += '[';
      bool first = true;
      for (const auto& element : value) {
        if (!first) out += ',';
        first = false;
        AppendStringify(out, element);
      }
      out += ']';
      break;
    }
    case Json::value_t::object: {
      out += '{';
      bool first = true;
      for (const auto& member : value.get_ref<const Json::object_t&>()) {
        if (!first) out += ',';
        first = false;
        AppendQuoted(out, member.first);
        out += ':';
        AppendStringify(out, member.second);
      }
      out += '}';
      break;
    }
    default:
      break;  // undefined, binary: nothing
  }
}

// JavaScript's ToString, as Array.prototype.join uses it on the elements.
void AppendJsString(Text& out, const Json& value) {
  switch (value.type()) {
    case Json::value_t::boolean:
      out += value.get<bool>() ? "true" : "false";
      break;
    case Json::value_t::number_float:
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      out += JsNumberText(value.get<double>());
      break;
    case Json::value_t::string:
      out += value.get_ref<const Json::string_t&>();
      break;
    case Json::value_t::object:
      out += "[object Object]";
      break;
    case Json::value_t::array: {
      bool first = true;
      for (const auto& element : value) {
        if (!first) out += ',';
        first = false;
        if (!element.is_null()) AppendJsString(out, element);
      }
      break;
    }
    default:
      break;  // null and undefined join as nothing
  }
}

}  // namespace

Text JsNumberText(double number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number < 0 ? "-Infinity" : "Infinity";
  if (number == 0) return "0";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, number, std::chars_format::scientific);
  const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
  // scientific is [-]d[.ddd]e(+|-)xx
  const bool negative = scientific.front() == '-';
  const std::size_t e = scientific.find('e');
  Text digits;
  for (char c : scientific.substr(negative ? 1 : 0, e - (negative ? 1 : 0)))
    if (c != '.') digits += c;
  const int exponent = std::atoi(Text(scientific.substr(e + 1)).c_str());
  const int k = static_cast<int>(digits.size());
  const int n = exponent + 1;  // the decimal point stands behind the n-th digit

  Text out = negative ? "-" : "";
  if (k <= n && n <= 21) {
    out += digits;
    out.append(static_cast<std::size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out += digits.substr(0, static_cast<std::size_t>(n));
    out += '.';
    out += digits.substr(static_cast<std::size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-n), '0');
    out += digits;
  } else {
    out += digits[0];
    if (k > 1) {
      out += '.';
      out += digits.substr(1);
    }
    out += 'e';
    out += n - 1 >= 0 ? "+" : "-";
    out += std::to_string(std::abs(n - 1));
  }
  return out;
}

Text Number13gText(double number) {
  if (!std::isfinite(number)) return JsNumberText(number);
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.13g", number);
  return buffer;
}

Text JsonStringify(const Json& value) {
  Text out;
  AppendStringify(out, value);
  return out;
}

Text ScriptText(const Json& value) {
  switch (value.type()) {
    case Json::value_t::boolean:
      return value.get<bool>() ? "True" : "False";
    case Json::value_t::null:
    case Json::value_t::discarded:
      return {};
    default: {
      Text out;
      AppendJsString(out, value);
      return out;
    }
  }
}

double JsStringLength(std::string_view utf8) {
  double units = 0;
  std::size_t i = 0;
  while (i < utf8.size()) {
    char32_t cp = 0;
    const std::size_t length = DecodeUtf8(utf8, i, cp);
    if (length == 0) {
      units += 1;
      i += 1;
    } else {
      units += cp >= 0x10000 ? 2 : 1;
      i += length;
    }
  }
  return units;
}

}  // namespace pindle
