#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace pindle {

// The header lines of a finished header block H as libcurl must be given them so that exactly
// H goes out, in code page 936 (or as UTF-8 bytes when `utf8` is on):
// - lines without a colon, and empty lines, cannot be sent and are left out;
// - User-Agent lines are left out: the agent travels in libcurl's own line, so it goes out once;
// - a line with an empty value is written "Name;" (libcurl reads "Name:" as "drop this header");
// - "Accept:", "Content-Type:", "Expect:" and "Proxy-Connection:" entries switch off the lines
//   libcurl would add by itself when H has no line of that name, since WinINet adds none of them;
// - after a redirect that turns the request into a GET, Content-Type and Content-Length go.
std::vector<std::string> CurlHeaderLines(std::string_view block, bool dropEntityHeaders, bool utf8 = false);

}  // namespace pindle
