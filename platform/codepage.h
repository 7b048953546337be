#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Code page 936 (GBK) as Windows converts it: a character 936 cannot hold becomes '?',
// 0x80 <-> U+20AC, a lead byte without a valid trail byte decodes to '?'.
Bytes Utf8ToGbk(std::string_view utf8);
Text GbkToUtf8Text(std::string_view gbk);

// True when the bytes are well-formed UTF-8 (no overlongs, no surrogates, nothing above U+10FFFF).
bool IsWellFormedUtf8(std::string_view bytes);
// True when the bytes contain a byte of 0x80 or above.
bool HasNonAscii(std::string_view bytes);
// True when the bytes are code page 936 as Windows reads it without a '?': every byte of 0x80
// and above is 0x80 or a lead byte 0x81-0xFE with a trail byte 0x40-0xFE other than 0x7F.
bool IsWellFormedGbk(std::string_view bytes);
// True when every non-ASCII byte pair lies in the GB2312 area of code page 936.
bool IsPlausibleGbk(std::string_view bytes);

// Appends one code point as UTF-8.
void AppendUtf8(Text& out, char32_t cp);

// UTF-16 (no byte-order mark) to UTF-8. A lone surrogate or an odd last byte becomes U+FFFD.
Text Utf16ToUtf8(std::string_view utf16, bool littleEndian);
// UTF-16 little endian (no byte-order mark) to UTF-8 and back.
inline Text Utf16LeToUtf8(std::string_view utf16) { return Utf16ToUtf8(utf16, true); }
Bytes Utf8ToUtf16Le(std::string_view utf8);

// Makes sure a text is well-formed UTF-8: every byte that does not start a valid sequence becomes U+FFFD.
Text SanitizeUtf8(std::string_view bytes);

// Reads outside text whose encoding is not known for sure (files written on Windows or by a
// UTF-8 editor): a UTF-8 byte-order mark, or well-formed UTF-8 with multi-byte characters that is
// not plausible GBK, is read as UTF-8; everything else as GBK.
Text DecodeLocalText(std::string_view bytes);
// Whether DecodeLocalText reads these bytes as UTF-8, so that texts taken from them can go back
// out as the same bytes.
bool ReadsAsUtf8(std::string_view bytes);

}  // namespace pindle
