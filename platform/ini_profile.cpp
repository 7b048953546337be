#include "platform/ini_profile.h"

#include <mutex>
#include <vector>

#include "platform/codepage.h"
#include "platform/files.h"

namespace pindle {
namespace {

struct Line {
  size_t start = 0;  // first byte of the line
  size_t end = 0;    // one past the last byte before the terminator
  size_t next = 0;   // one past the terminator
};

std::vector<Line> splitLines(std::string_view s) {
  std::vector<Line> lines;
  size_t i = 0;
  while (i < s.size()) {
    Line l;
    l.start = i;
    while (i < s.size() && s[i] != '\r' && s[i] != '\n') ++i;
    l.end = i;
    if (i < s.size() && s[i] == '\r') ++i;
    if (i < s.size() && s[i] == '\n' && (i == l.end || s[i - 1] == '\r')) ++i;
    l.next = i;
    lines.push_back(l);
  }
  return lines;
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// ASCII case-insensitive equality that compares a two-byte character's bytes exactly. In UTF-8
// no byte of a longer character is an ASCII letter, so folding byte by byte is safe there.
bool namesEqual(std::string_view a, std::string_view b, bool utf8) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto c = static_cast<unsigned char>(a[i]);
    if (!utf8 && c >= 0x81 && c <= 0xFE && i + 1 < a.size()) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (foldAscii(a[i]) != foldAscii(b[i])) return false;
  }
  return true;
}

enum class Kind { Other, Section, Key };

struct Parsed {
  Kind kind = Kind::Other;
  std::string_view name;   // section or key name, trimmed
  std::string_view value;  // key value, trimmed and unquoted
};

Parsed parseLine(std::string_view text) {
  Parsed p;
  const std::string_view t = trim(text);
  if (t.empty() || t.front() == ';') return p;
  if (t.front() == '[') {
    std::string_view inner = t.substr(1);
    const auto close = inner.find(']');
    if (close != std::string_view::npos) inner = inner.substr(0, close);
    p.kind = Kind::Section;
    p.name = trim(inner);
    return p;
  }
  const auto eq = t.find('=');
  if (eq == std::string_view::npos) return p;
  p.kind = Kind::Key;
  p.name = trim(t.substr(0, eq));
  std::string_view v = trim(t.substr(eq + 1));
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) v = v.substr(1, v.size() - 2);
  p.value = v;
  return p;
}

// A profile saved by Notepad as "Unicode": UTF-16 little endian behind its byte-order mark.
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
bool IsUnicodeProfile(std::string_view content) { return content.substr(0, 2) == kUtf16Mark; }

std::mutex& writeMutex() {
  static std::mutex m;
  return m;
}

// Cuts to at most `n` bytes without splitting a two-byte character.
Bytes cutAtCharacter(std::string_view s, size_t n) {
  if (s.size() <= n) return Bytes(s);
  size_t i = 0;
  while (i < n) {
    const auto c = static_cast<unsigned char>(s[i]);
    const size_t len = (c >= 0x81 && c <= 0xFE) ? 2 : 1;
    if (i + len > n) break;
    i += len;
  }
  return Bytes(s.substr(0, i));
}

}  // namespace

std::optional<Bytes> ProfileLookup(std::string_view content, std::string_view section, std::string_view key,
                                   bool utf8) {
  // The caller's names are trimmed as the file's are.
  section = trim(section);
  key = trim(key);
  if (section.empty() || key.empty()) return std::nullopt;
  bool inSection = false;
  bool seenSection = false;
  for (const Line& l : splitLines(content)) {
    const Parsed p = parseLine(content.substr(l.start, l.end - l.start));
    if (p.kind == Kind::Section) {
      if (inSection) return std::nullopt;  // only the first matching section is searched
      inSection = !seenSection && namesEqual(p.name, section, utf8);
      seenSection = seenSection || inSection;
    } else if (p.kind == Kind::Key && inSection && namesEqual(p.name, key, utf8)) {
      return Bytes(p.value);
    }
  }
  return std::nullopt;
}

Bytes ProfileUpdate(std::string_view content, std::string_view section, std::string_view key, std::string_view value,
                    bool utf8) {
  section = trim(section);
  key = trim(key);
  const std::string newLine = std::string(key) + "=" + std::string(value);
  const std::vector<Line> lines = splitLines(content);
  bool inSection = false;
  bool found = false;
  size_t lastContent = 0;  // index+1 of the last non-blank line of the matching section
  for (size_t i = 0; i < lines.size(); ++i) {
    const Line& l = lines[i];
    const std::string_view text = content.substr(l.start, l.end - l.start);
    const Parsed p = parseLine(text);
    if (p.kind == Kind::Section) {
      if (inSection) break;
      if (!found && namesEqual(p.name, section, utf8)) {
        inSection = found = true;
        lastContent = i + 1;
      }
      continue;
    }
    if (!inSection) continue;
    if (p.kind == Kind::Key && namesEqual(p.name, key, utf8)) {
      Bytes out(content.substr(0, l.start));
      out += newLine;
      out.append(content.substr(l.end));
      return out;
    }
    if (!trim(text).empty()) lastContent = i + 1;
  }
  Bytes out;
  if (found) {
    // New key at the end of its section, after the section's last non-blank line.
    const Line& after = lines[lastContent - 1];
    out.assign(content.substr(0, after.end));
    if (after.next == after.end) {  // that line ends the file without a terminator
      out += "\r\n" + newLine;
      out.append(content.substr(after.end));
      return out;
    }
    out.append(content.substr(after.end, after.next - after.end));
    out += newLine + "\r\n";
    out.append(content.substr(after.next));
    return out;
  }
  out.assign(content);
  if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += "\r\n";
  out += "[" + std::string(section) + "]\r\n" + newLine + "\r\n";
  return out;
}

std::vector<std::pair<Bytes, Bytes>> ProfileSectionEntries(std::string_view content, std::string_view section,
                                                           bool utf8) {
  std::vector<std::pair<Bytes, Bytes>> entries;
  section = trim(section);
  if (section.empty()) return entries;
  bool inSection = false;
  for (const Line& l : splitLines(content)) {
    const Parsed p = parseLine(content.substr(l.start, l.end - l.start));
    if (p.kind == Kind::Section) {
      if (inSection) break;  // only the first matching section counts
      inSection = namesEqual(p.name, section, utf8);
    } else if (p.kind == Kind::Key && inSection) {
      entries.emplace_back(Bytes(p.name), Bytes(p.value));
    }
  }
  return entries;
}

std::vector<std::pair<Bytes, Bytes>> ReadProfileSection(const Text& file, std::string_view section) {
  const auto content = ReadWholeFile(file);
  if (!content) return {};
  if (!IsUnicodeProfile(*content)) return ProfileSectionEntries(*content, section);
  auto entries =
      ProfileSectionEntries(Utf16LeToUtf8(std::string_view(*content).substr(2)), GbkToUtf8Text(section), true);
  for (auto& [key, value] : entries) {
    key = Utf8ToGbk(key);
    value = Utf8ToGbk(value);
  }
  return entries;
}

std::optional<Bytes> FindProfileString(const Text& file, std::string_view section, std::string_view key) {
  const auto content = ReadWholeFile(file);
  if (!content) return std::nullopt;
  if (IsUnicodeProfile(*content)) {
    // A file saved as "Unicode": looked up in UTF-8, the value handed back in code page 936.
    const auto found = ProfileLookup(Utf16LeToUtf8(std::string_view(*content).substr(2)), GbkToUtf8Text(section),
                                     GbkToUtf8Text(key), /*utf8=*/true);
    if (!found) return std::nullopt;
    return Utf8ToGbk(*found);
  }
  return ProfileLookup(*content, section, key);
}

Bytes ReadProfileString(const Text& file, std::string_view section, std::string_view key, std::string_view fallback,
                        size_t bufferSize) {
  if (bufferSize == 0) return {};
  const std::optional<Bytes> value = FindProfileString(file, section, key);
  return cutAtCharacter(value ? std::string_view(*value) : fallback, bufferSize - 1);
}

bool WriteProfileString(const Text& file, std::string_view section, std::string_view key, std::string_view value) {
  if (trim(section).empty() || trim(key).empty()) return false;
  // A line break would write further keys or sections of the caller's choosing into the file.
  for (std::string_view part : {section, key, value})
    if (part.find_first_of("\r\n") != std::string_view::npos) return false;
  std::lock_guard lock(writeMutex());
  const auto content = ReadWholeFile(file);
  if (!content && FileExists(file)) return false;  // unreadable: never replace what we could not read
  if (content && IsUnicodeProfile(*content)) {
    // Stays "Unicode": Windows converts the caller's texts and writes UTF-16 back.
    const Text updated = ProfileUpdate(Utf16LeToUtf8(std::string_view(*content).substr(2)), GbkToUtf8Text(section),
                                       GbkToUtf8Text(key), GbkToUtf8Text(value), /*utf8=*/true);
    return WriteFileAtomically(file, Bytes(kUtf16Mark) + Utf8ToUtf16Le(updated));
  }
  return WriteFileAtomically(file, ProfileUpdate(content ? *content : Bytes(), section, key, value));
}

Bytes ProfileRemove(std::string_view content, std::string_view section, std::string_view key, bool utf8) {
  section = trim(section);
  key = trim(key);
  Bytes out;
  bool inSection = false;
  bool seenSection = false;
  for (const Line& l : splitLines(content)) {
    const Parsed p = parseLine(content.substr(l.start, l.end - l.start));
    if (p.kind == Kind::Section) {
      inSection = !seenSection && namesEqual(p.name, section, utf8);
      seenSection = seenSection || inSection;
    } else if (p.kind == Kind::Key && inSection && namesEqual(p.name, key, utf8)) {
      continue;  // every copy goes, so that no later duplicate comes to light
    }
    out.append(content.substr(l.start, l.next - l.start));
  }
  return out;
}

bool RemoveProfileString(const Text& file, std::string_view section, std::string_view key) {
  if (trim(section).empty() || trim(key).empty()) return false;
  std::lock_guard lock(writeMutex());
  const auto content = ReadWholeFile(file);
  if (!content) return !FileExists(file);  // no file holds no key
  Bytes updated;
  if (IsUnicodeProfile(*content)) {
    updated = Bytes(kUtf16Mark) + Utf8ToUtf16Le(ProfileRemove(Utf16LeToUtf8(std::string_view(*content).substr(2)),
                                                              GbkToUtf8Text(section), GbkToUtf8Text(key), true));
  } else {
    updated = ProfileRemove(*content, section, key);
  }
  return updated == *content || WriteFileAtomically(file, updated);
}

Bytes QuoteProfileValue(std::string_view value) {
  const bool edgeBlank = !value.empty() && (isBlank(value.front()) || isBlank(value.back()));
  const bool quoted =
      value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
  if (!edgeBlank && !quoted) return Bytes(value);
  return "\"" + Bytes(value) + "\"";
}

}  // namespace pindle
