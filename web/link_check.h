#pragma once
#include <string_view>

namespace pindle {

// Whether a text is a link a user can open: an absolute http or https address with a host, as
// libcurl parses it (no blanks, no control characters, nothing around it). Every door and every
// count of successes asks this one test.
bool IsLink(std::string_view text);

// Whether a text names the http or https scheme (either case) with something after it: the test
// for an address that may still hold placeholders ("https://$Field:Host$/api") or that a service
// gave (a redirect's Location, an update manifest's address).
bool HasWebScheme(std::string_view text);

}  // namespace pindle
