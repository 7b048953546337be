#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Pieces of a URL as the request pipeline takes it apart; nothing is validated.

// The host, lower-cased, with ":port" behind it only when keepPort is on. A URL without
// "http://" or "https://" is read as if "http://" stood in front of it.
Text UrlHost(std::string_view url, bool keepPort = false);
// The port written in the URL, else 443 for an "https" URL and 80 for any other.
int UrlPort(std::string_view url);
// Everything from the first "/" behind the host (query and fragment included), at least "/".
Text UrlPath(std::string_view url);

}  // namespace pindle
