#pragma once
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace pindle {

// Elementary text operations on UTF-8 text. Positions are 1-based byte positions, a failed search
// gives -1, a match never begins inside a character, and letter case means ASCII letters only.

int Find(std::string_view text, std::string_view sought, int start = 1, bool ignoreCase = false);
int FindBackward(std::string_view text, std::string_view sought, bool ignoreCase = false);
bool Contains(std::string_view text, std::string_view sought, bool ignoreCase = false);

// Pieces between delimiters; leading and middle empty pieces stay, the one after a trailing
// delimiter does not; an empty text gives no pieces.
std::vector<Text> Split(std::string_view text, std::string_view delimiter);
Text Join(const std::vector<Text>& pieces, std::string_view delimiter);

// Replaces `count` occurrences (all when negative) from `start` on, left to right, without
// scanning replaced text again.
Text Replace(std::string_view text, std::string_view sought, std::string_view replacement = {}, int start = 1,
             int count = -1, bool caseSensitive = true);

// Removes ASCII spaces and full-width spaces (U+3000) at both ends; tabs and line breaks stay.
Text Trim(std::string_view text);
// Removes ASCII spaces, tabs, carriage returns and line feeds at both ends.
Text TrimBlanksAndLineBreaks(std::string_view text);
// Removes every ASCII space and every full-width space.
Text RemoveSpaces(std::string_view text);

// Byte counts that never split a character: a count of 0 or less gives the empty text.
Text Left(std::string_view text, int count);
Text Right(std::string_view text, int count);
Text Middle(std::string_view text, int start, int count);

Text ToLowerAscii(std::string_view text);
Text ToUpperAscii(std::string_view text);
bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b);
bool StartsWithIgnoreAsciiCase(std::string_view text, std::string_view prefix);

// Leading spaces, one sign, then decimal digits up to the first non-digit; 0 without digits.
long long ToInteger(std::string_view text);

// The text between the first `left` (from `start`) and the next `right` behind it; empty when
// either is missing. "#引号" in a marker stands for a double quote.
Text TextBetween(std::string_view text, std::string_view left, std::string_view right, int start = 1,
                 bool ignoreCase = false);
// Where TextBetween looks and what it finds: the markers as searched (quotes in place), the byte
// of the left one and the span behind it up to the right one (npos for a marker not found).
struct BetweenSpan {
  Text left, right;
  std::size_t leftAt = std::string_view::npos;
  std::size_t begin = 0, end = std::string_view::npos;
  bool found() const { return end != std::string_view::npos; }
};
BetweenSpan FindBetween(std::string_view text, std::string_view left, std::string_view right, int start = 1,
                        bool ignoreCase = false);
// The text in front of the first `delimiter` from `start`; empty when it is not found.
Text TextBefore(std::string_view text, std::string_view delimiter, int start = 1, bool ignoreCase = false);
// Non-overlapping occurrences; letter case is ignored unless matchCase.
int CountOccurrences(std::string_view text, std::string_view sought, bool matchCase = false);

// Creates every missing directory along the path; true when it exists afterwards.
bool EnsureDirectory(const Text& path);
// Last component of a file path or URL ('/' or '\' separated); empty when the path ends in a separator.
Text FileNameOfPath(std::string_view path);

}  // namespace pindle
