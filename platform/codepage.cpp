#include "platform/codepage.h"

#include <iconv.h>

#include <cerrno>

namespace pindle {
namespace {

// iconv descriptors are costly to open; one pair per thread, kept for the thread's life.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

iconv_t toGbk() {
  thread_local Converter c("CP936", "UTF-8");
  return c.get();
}
iconv_t fromGbk() {
  thread_local Converter c("UTF-8", "CP936");
  return c.get();
}

// Length of the UTF-8 sequence that starts at s[0], or 1 when it is not a valid one.
size_t utf8SequenceLength(std::string_view s) {
  const auto b = static_cast<unsigned char>(s[0]);
  size_t need = 0;
  unsigned cp = 0;
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) {
    need = 1;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    need = 2;
    cp = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    need = 3;
    cp = b & 0x07;
  } else {
    return 1;
  }
  if (s.size() < need + 1) return 1;
  for (size_t i = 1; i <= need; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if ((c & 0xC0) != 0x80) return 1;
    cp = (cp << 6) | (c & 0x3F);
  }
  if ((need == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (need == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
    return 1;
  return need + 1;
}

bool isUtf8Start(std::string_view s) { return static_cast<unsigned char>(s[0]) < 0x80 || utf8SequenceLength(s) > 1; }

bool isGbkLead(unsigned char b) { return b >= 0x81 && b <= 0xFE; }
bool isGbkTrail(unsigned char b) { return b >= 0x40 && b <= 0xFE && b != 0x7F; }

// Runs iconv over the input; `onBad` is told the unconvertible rest and returns how many bytes
// to skip after writing its replacement into `out`.
template <typename OnBad>
std::string convert(iconv_t cd, std::string_view in, OnBad onBad) {
  std::string out;
  if (in.empty()) return out;
  out.reserve(in.size() * 3 / 2 + 8);
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buffer[4096];
  size_t pos = 0;
  while (pos < in.size()) {
    char* src = const_cast<char*>(in.data() + pos);
    size_t srcLeft = in.size() - pos;
    char* dst = buffer;
    size_t dstLeft = sizeof buffer;
    const size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    const int err = errno;
    out.append(buffer, static_cast<size_t>(dst - buffer));
    pos = in.size() - srcLeft;
    if (r != static_cast<size_t>(-1)) break;
    if (err == E2BIG) continue;
    // EILSEQ or EINVAL: a character that cannot be converted, or one cut off at the end.
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    pos += onBad(in.substr(pos), out);
  }
  return out;
}

}  // namespace

Bytes Utf8ToGbk(std::string_view utf8) {
  // ASCII is the same bytes in both; most URLs and headers are nothing else.
  if (!HasNonAscii(utf8)) return Bytes(utf8);
  return convert(toGbk(), utf8, [](std::string_view rest, std::string& out) {
    out.push_back('?');
    // A sequence cut off by the end of the text is one character.
    const auto lead = static_cast<unsigned char>(rest[0]);
    const size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (need > 1 && rest.size() < need) {
      bool prefix = true;
      for (size_t i = 1; i < rest.size(); ++i) prefix = prefix && (static_cast<unsigned char>(rest[i]) & 0xC0) == 0x80;
      if (prefix) return rest.size();
    }
    return utf8SequenceLength(rest);
  });
}

Text GbkToUtf8Text(std::string_view gbk) {
  if (!HasNonAscii(gbk)) return Text(gbk);
  return convert(fromGbk(), gbk, [](std::string_view rest, std::string& out) -> size_t {
    out.push_back('?');
    const auto lead = static_cast<unsigned char>(rest[0]);
    if (isGbkLead(lead) && rest.size() > 1 && isGbkTrail(static_cast<unsigned char>(rest[1]))) return 2;
    // The bytes after it that cannot start a character either get their '?' here: restarting
    // iconv for each one made a long run of such bytes cost a call per byte.
    size_t n = 1;
    while (n < rest.size()) {
      const auto b = static_cast<unsigned char>(rest[n]);
      const bool cutLead =
          isGbkLead(b) && (n + 1 == rest.size() || !isGbkTrail(static_cast<unsigned char>(rest[n + 1])));
      const bool lone = b == 0xFF || cutLead;
      if (!lone) break;
      out.push_back('?');
      ++n;
    }
    return n;
  });
}

bool IsWellFormedUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (!isUtf8Start(bytes.substr(i))) return false;
    i += utf8SequenceLength(bytes.substr(i));
  }
  return true;
}

bool HasNonAscii(std::string_view bytes) {
  for (unsigned char b : bytes)
    if (b >= 0x80) return true;
  return false;
}

bool IsWellFormedGbk(std::string_view bytes) {
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80 || b == 0x80) continue;
    if (b == 0xFF || i + 1 >= bytes.size()) return false;
    const auto t = static_cast<unsigned char>(bytes[++i]);
    if (t < 0x40 || t == 0x7F || t == 0xFF) return false;
  }
  return true;
}

bool IsPlausibleGbk(std::string_view bytes) {
  // Real Chinese text in 936 almost always stays inside the GB2312 rectangle; UTF-8 continuation
  // bytes (0x80-0xBF) paired up as 936 characters mostly fall outside it.
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b < 0x80 || b == 0x80) continue;  // 0x80 is the euro sign
    const bool lead = (b >= 0xA1 && b <= 0xA9) || (b >= 0xB0 && b <= 0xF7);
    if (!lead || i + 1 >= bytes.size()) return false;
    const auto t = static_cast<unsigned char>(bytes[i + 1]);
    if (t < 0xA1 || t > 0xFE) return false;
    ++i;
  }
  return true;
}

Text SanitizeUtf8(std::string_view bytes) {
  Text out;
  out.reserve(bytes.size());
  size_t i = 0;
  while (i < bytes.size()) {
    const std::string_view rest = bytes.substr(i);
    if (isUtf8Start(rest)) {
      const size_t n = utf8SequenceLength(rest);
      out.append(rest.substr(0, n));
      i += n;
    } else {
      out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return out;
}

void AppendUtf8(Text& out, char32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

// Written by hand: a few lines, and iconv would stop at the first lone surrogate.
Text Utf16ToUtf8(std::string_view utf16, bool littleEndian) {
  Text out;
  out.reserve(utf16.size() * 3 / 2);
  const auto unitAt = [&](size_t i) -> char32_t {
    const auto lo = static_cast<unsigned char>(utf16[littleEndian ? i : i + 1]);
    const auto hi = static_cast<unsigned char>(utf16[littleEndian ? i + 1 : i]);
    return static_cast<char32_t>(hi << 8 | lo);
  };
  size_t i = 0;
  for (; i + 1 < utf16.size(); i += 2) {
    const char32_t unit = unitAt(i);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < utf16.size()) {
      const char32_t low = unitAt(i + 2);
      if (low >= 0xDC00 && low <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        i += 2;
        continue;
      }
    }
    AppendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? char32_t{0xFFFD} : unit);
  }
  if (i < utf16.size()) AppendUtf8(out, 0xFFFD);
  return out;
}

Bytes Utf8ToUtf16Le(std::string_view utf8) {
  const Text text = SanitizeUtf8(utf8);
  Bytes out;
  out.reserve(text.size() * 2);
  const auto unit = [&](unsigned u) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  };
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    const size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    unsigned cp = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
    i += n;
    if (cp >= 0x10000) {
      unit(0xD800 + ((cp - 0x10000) >> 10));
      unit(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      unit(cp);
    }
  }
  return out;
}

bool ReadsAsUtf8(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return true;
  return HasNonAscii(bytes) && IsWellFormedUtf8(bytes) && !IsPlausibleGbk(bytes);
}

Text DecodeLocalText(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return SanitizeUtf8(bytes.substr(3));
  if (ReadsAsUtf8(bytes)) return Text(bytes);
  return GbkToUtf8Text(bytes);
}

}  // namespace pindle
