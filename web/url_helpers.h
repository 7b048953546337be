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

// Where a URL's request goes, as the pipeline reads it: "scheme://host:port", lower-cased, with
// the scheme's port when none is written ("http://a.example:80").
Text UrlOrigin(std::string_view url);
// The host of `origin` as a person is told it (no scheme, no port), or the whole origin when
// `other` has the same host, so that the two read differently.
Text ShownOrigin(std::string_view origin, std::string_view other);

}  // namespace pindle
