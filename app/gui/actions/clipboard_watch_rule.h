#pragma once
#include <set>

#include "app/gui/actions/controls.h"

namespace pindle {

// Clipboard watching shortens only what is worth it: one http(s) address of at least this many
// characters, that Pindle did not put there itself and that is no short link already.
inline constexpr size_t kWatchedAddressMinimum = 40;

// Whether watching shortens `text`, copied by some program. `ownText`: what Pindle put on the
// clipboard last; `shortLinkHosts`: hosts whose links are short links already (lower case).
bool WorthShortening(const Text& text, const Text& ownText, const std::set<Text>& shortLinkHosts);

// The hosts that hand out short links of the enabled plug-ins: each one's service host
// without a leading "api." or "www." (is.gd, tinyurl.com from api.tinyurl.com), and the hosts of
// the links in the history. Hosts keep a port written in the address.
std::set<Text> ShortLinkHosts(Controls& ui);

}  // namespace pindle
