#include "text/text_utils.h"

#include <climits>
#include <cstring>

#include "platform/files.h"

namespace pindle {
namespace {

constexpr std::string_view kFullWidthSpace = "\xE3\x80\x80";

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

bool matchesAt(std::string_view text, size_t pos, std::string_view sought, bool ignoreCase) {
  if (pos + sought.size() > text.size()) return false;
  if (!ignoreCase) return text.compare(pos, sought.size(), sought) == 0;
  for (size_t i = 0; i < sought.size(); ++i)
    if (lower(text[pos + i]) != lower(sought[i])) return false;
  return true;
}

// Zero-based index of the first match at or after `from`, or npos.
size_t findFrom(std::string_view text, std::string_view sought, size_t from, bool ignoreCase) {
  if (sought.empty()) return from < text.size() ? from : std::string_view::npos;
  if (!ignoreCase) {
    size_t pos = text.find(sought, from);
    while (pos != std::string_view::npos && isContinuation(text[pos])) pos = text.find(sought, pos + 1);
    return pos;
  }
  if (sought.size() > text.size()) return std::string_view::npos;
  // The candidates are where the first byte stands in either case, found by memchr: headers and
  // answers are searched for every line of a batch.
  const char lo = lower(sought[0]), up = upper(sought[0]);
  const size_t last = text.size() - sought.size();
  const char* base = text.data();
  for (size_t pos = from; pos <= last;) {
    const void* atLower = std::memchr(base + pos, lo, last - pos + 1);
    size_t candidate = atLower ? static_cast<size_t>(static_cast<const char*>(atLower) - base) : last + 1;
    if (up != lo)
      if (const void* atUpper = std::memchr(base + pos, up, candidate - pos))
        candidate = static_cast<size_t>(static_cast<const char*>(atUpper) - base);
    if (candidate > last) break;
    if (!isContinuation(text[candidate]) && matchesAt(text, candidate, sought, true)) return candidate;
    pos = candidate + 1;
  }
  return std::string_view::npos;
}

// Largest prefix length <= n that ends on a character boundary.
size_t boundaryAtOrBefore(std::string_view text, size_t n) {
  if (n >= text.size()) return text.size();
  while (n > 0 && isContinuation(text[n])) --n;
  return n;
}

}  // namespace

int Find(std::string_view text, std::string_view sought, int start, bool ignoreCase) {
  if (text.empty()) return -1;
  if (start < 1) start = 1;
  const size_t pos = findFrom(text, sought, static_cast<size_t>(start - 1), ignoreCase);
  return pos == std::string_view::npos ? -1 : static_cast<int>(pos) + 1;
}

int FindBackward(std::string_view text, std::string_view sought, bool ignoreCase) {
  if (text.empty()) return -1;
  if (sought.empty()) return 1;
  if (sought.size() > text.size()) return -1;
  for (size_t pos = text.size() - sought.size() + 1; pos-- > 0;)
    if (!isContinuation(text[pos]) && matchesAt(text, pos, sought, ignoreCase)) return static_cast<int>(pos) + 1;
  return -1;
}

bool Contains(std::string_view text, std::string_view sought, bool ignoreCase) {
  return Find(text, sought, 1, ignoreCase) > 0;
}

std::vector<Text> Split(std::string_view text, std::string_view delimiter) {
  std::vector<Text> pieces;
  if (text.empty()) return pieces;
  if (delimiter.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t from = 0;
  for (;;) {
    const size_t pos = findFrom(text, delimiter, from, false);
    if (pos == std::string_view::npos) {
      if (from < text.size()) pieces.emplace_back(text.substr(from));
      break;
    }
    pieces.emplace_back(text.substr(from, pos - from));
    from = pos + delimiter.size();
  }
  return pieces;
}

Text Join(const std::vector<Text>& pieces, std::string_view delimiter) {
  Text out;
  for (size_t i = 0; i < pieces.size(); ++i) {
    if (i) out.append(delimiter);
    out += pieces[i];
  }
  return out;
}

Text Replace(std::string_view text, std::string_view sought, std::string_view replacement, int start, int count,
             bool caseSensitive) {
  if (sought.empty() || text.empty() || count == 0) return Text(text);
  if (start < 1) start = 1;
  Text out;
  size_t from = static_cast<size_t>(start - 1);
  if (from >= text.size()) return Text(text);
  out.append(text.substr(0, from));
  int done = 0;
  while (count < 0 || done < count) {
    const size_t pos = findFrom(text, sought, from, !caseSensitive);
    if (pos == std::string_view::npos) break;
    out.append(text.substr(from, pos - from));
    out.append(replacement);
    from = pos + sought.size();
    ++done;
  }
  out.append(text.substr(from));
  return out;
}

Text TrimBlanksAndLineBreaks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return Text(text);
}

Text Trim(std::string_view text) {
  for (;;) {
    if (!text.empty() && text.front() == ' ')
      text.remove_prefix(1);
    else if (text.substr(0, kFullWidthSpace.size()) == kFullWidthSpace)
      text.remove_prefix(kFullWidthSpace.size());
    else
      break;
  }
  for (;;) {
    if (!text.empty() && text.back() == ' ')
      text.remove_suffix(1);
    else if (text.size() >= kFullWidthSpace.size() &&
             text.substr(text.size() - kFullWidthSpace.size()) == kFullWidthSpace)
      text.remove_suffix(kFullWidthSpace.size());
    else
      break;
  }
  return Text(text);
}

Text RemoveSpaces(std::string_view text) { return Replace(Replace(text, " "), kFullWidthSpace); }

Text Left(std::string_view text, int count) {
  if (count <= 0) return {};
  return Text(text.substr(0, boundaryAtOrBefore(text, static_cast<size_t>(count))));
}

Text Right(std::string_view text, int count) {
  if (count <= 0) return {};
  if (static_cast<size_t>(count) >= text.size()) return Text(text);
  size_t from = text.size() - static_cast<size_t>(count);
  while (from < text.size() && isContinuation(text[from])) ++from;
  return Text(text.substr(from));
}

Text Middle(std::string_view text, int start, int count) {
  if (count <= 0 || start < 1 || static_cast<size_t>(start) > text.size()) return {};
  size_t from = static_cast<size_t>(start - 1);
  while (from < text.size() && isContinuation(text[from])) ++from;
  return Left(text.substr(from), count);
}

Text ToLowerAscii(std::string_view text) {
  Text out(text);
  for (char& c : out) c = lower(c);
  return out;
}

Text ToUpperAscii(std::string_view text) {
  Text out(text);
  for (char& c : out) c = upper(c);
  return out;
}

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && matchesAt(a, 0, b, true);
}

bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

long long ToInteger(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    const int digit = text[i] - '0';
    if (value > (LLONG_MAX - digit) / 10) return negative ? LLONG_MIN : LLONG_MAX;
    value = value * 10 + digit;
  }
  return negative ? -value : value;
}

BetweenSpan FindBetween(std::string_view text, std::string_view left, std::string_view right, int start,
                        bool ignoreCase) {
  static constexpr std::string_view kQuotePlaceholder = "#引号";
  BetweenSpan span{Replace(left, kQuotePlaceholder, "\""), Replace(right, kQuotePlaceholder, "\"")};
  const int at = Find(text, span.left, start, ignoreCase);
  if (at < 0) return span;
  span.leftAt = static_cast<size_t>(at - 1);
  span.begin = span.leftAt + span.left.size();
  span.end = findFrom(text, span.right, span.begin, ignoreCase);
  return span;
}

Text TextBetween(std::string_view text, std::string_view left, std::string_view right, int start, bool ignoreCase) {
  const BetweenSpan span = FindBetween(text, left, right, start, ignoreCase);
  if (!span.found()) return {};
  return Text(text.substr(span.begin, span.end - span.begin));
}

Text TextBefore(std::string_view text, std::string_view delimiter, int start, bool ignoreCase) {
  const int at = Find(text, delimiter, start < 1 ? 1 : start, ignoreCase);
  if (at < 0) return {};
  return Text(text.substr(0, static_cast<size_t>(at - 1)));
}

int CountOccurrences(std::string_view text, std::string_view sought, bool matchCase) {
  if (text.empty() || sought.empty()) return 0;
  int count = 0;
  size_t from = 0;
  for (;;) {
    const size_t pos = findFrom(text, sought, from, !matchCase);
    if (pos == std::string_view::npos) return count;
    ++count;
    from = pos + sought.size();
  }
}

bool EnsureDirectory(const Text& path) {
  Text p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return MakeDirectories(p);
}

Text FileNameOfPath(std::string_view path) {
  const size_t slash = path.find_last_of("/\\");
  if (slash == std::string_view::npos) return Text(path);
  return Text(path.substr(slash + 1));
}

}  // namespace pindle
