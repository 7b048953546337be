#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Header blocks are lines "name:value" separated by "\r\n".

// The user agent named in a header block that contains "User-Agent:" in some letter case: the
// value behind "User-Agent:" written in that case, else the value of the first line whose name
// is user-agent in any case; trimmed.
Text UserAgentFromHeaders(std::string_view headers);
// Everything behind the first ":", trimmed; empty when there is no colon.
Text TextAfterFirstColon(std::string_view text);
// The first byte upper-cased when it is 'a' to 'z'.
Text CapitalizeFirst(std::string_view text);
// Every dash-separated word of every header name gets a capital first letter; the rest of each
// line stays as it is. Lines without a colon are dropped; no line break after the last line.
Text NormalizeHeaderNames(std::string_view block);
// Adds the default lines the block lacks (searched as plain case-blind substrings): "Accept",
// "Referer" (the URL as given), "Accept-Language" and, for a POST, the form "Content-Type".
Text CompleteDefaultHeaders(std::string_view headers, std::string_view url, bool post);
// The block with the cookie line behind it: `cookies` as it is when it contains "Cookie:",
// else "Cookie: " + cookies; the block unchanged when cookies is empty.
Text AppendCookieLine(std::string_view headers, std::string_view cookies);

}  // namespace pindle
