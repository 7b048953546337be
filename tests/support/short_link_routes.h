#pragma once
#include <httplib.h>

namespace pindle::test {

// Port 9 (discard) has no listener on loopback.
inline constexpr const char* kDownUrl = "http://127.0.0.1:9/dest";

// A short link that leads through one more address to its target (/s/1), one that leads to
// itself (/loop) and one that leads to kDownUrl (/down); anything else answers "ok".
void ShortLinkRoutes(httplib::Server& s);

}  // namespace pindle::test
