#pragma once
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace pindle {

// The private-profile (INI) functions, on the file's own bytes: the section, key and value
// arguments are in the file's encoding (code page 936 for Setting.ini).
//
// The caller's section and key names are trimmed of blanks before they are compared or written.
// A file that begins with the UTF-16 LE byte-order mark (saved as "Unicode") is read and written
// in UTF-16; the functions below take and give code page 936 all the same.
//
// Reading: names match without regard to ASCII case (never folding the second byte of a
// two-byte character), spaces and tabs around names and values are trimmed, one pair of
// matching quotes around a value is removed, ';' at the start of a line is a comment, a line
// without '=' is no key, the first matching section and key win, CR LF, LF and CR all end lines.

// The stored value, or nothing when the key is absent.
// `utf8`: the content and names are UTF-8 rather than code page 936.
std::optional<Bytes> ProfileLookup(std::string_view content, std::string_view section, std::string_view key,
                                   bool utf8 = false);

// `content` with the key set: an existing key's line is replaced, a new key goes to the end of
// its section, a new section to the end of the file. Every other line stays byte for byte.
Bytes ProfileUpdate(std::string_view content, std::string_view section, std::string_view key, std::string_view value,
                    bool utf8 = false);

// `content` without the key: every line of it in the first matching section goes. Every other line
// stays byte for byte.
Bytes ProfileRemove(std::string_view content, std::string_view section, std::string_view key, bool utf8 = false);

// Every key of the first matching section with its value, in file order, read as ProfileLookup
// reads them (so a key written twice appears twice; the first one is what a lookup finds).
std::vector<std::pair<Bytes, Bytes>> ProfileSectionEntries(std::string_view content, std::string_view section,
                                                           bool utf8 = false);
// The same of a file, in code page 936 whatever the file's own encoding; empty when it is absent.
std::vector<std::pair<Bytes, Bytes>> ReadProfileSection(const Text& file, std::string_view section);

// The stored value, or nothing when the file or the key is absent.
std::optional<Bytes> FindProfileString(const Text& file, std::string_view section, std::string_view key);

// GetPrivateProfileString: the value, or `fallback` when absent, cut to bufferSize - 1 bytes
// (never inside a two-byte character).
Bytes ReadProfileString(const Text& file, std::string_view section, std::string_view key, std::string_view fallback,
                        size_t bufferSize = 10240);

// WritePrivateProfileString: writes the file atomically; writes within the process are
// serialised, so two threads writing different keys never lose one.
bool WriteProfileString(const Text& file, std::string_view section, std::string_view key, std::string_view value);

// WritePrivateProfileString with no value: removes the key; true when the file no longer holds it.
bool RemoveProfileString(const Text& file, std::string_view section, std::string_view key);

// The form of `value` to write so that reading gives it back unchanged: in quotes when it has
// blanks at an end or is itself wrapped in a pair of quotes, which reading would remove.
Bytes QuoteProfileValue(std::string_view value);

}  // namespace pindle
