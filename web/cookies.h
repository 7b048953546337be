#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Cookie texts are name=value members separated by ";" (with or without a space after it).

// The first name=value member of every "Set-Cookie" line (that letter case only) of a raw
// response header block, joined by "; ".
Text ExtractSetCookies(std::string_view headerBlock);
// The text in front of the first "=" (the whole member without one), trimmed.
Text CookieName(std::string_view member);
// Received cookies replace sent cookies of the same name, the others are carried over; members
// ending in "=deleted" and repeated members are dropped. Spaces are removed from `sent`, and the
// result is written back into it as well.
Text MergeCookies(Text& sent, std::string_view received);
// The members of `text` (split on `delimiter`) without the repeats, joined by `delimiter`.
Text RemoveDuplicateMembers(std::string_view text, std::string_view delimiter);

}  // namespace pindle
