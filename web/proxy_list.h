#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Proxy lists in WinINet's form: entries separated by spaces or ";", each "host:port" (every
// scheme) or "scheme=host:port" (that scheme only).

// The list a request uses: `proxy` itself for a TLS URL, "http=" + proxy for a plain-HTTP URL,
// so that a plain-HTTP request which is redirected to https goes there directly. Empty: none.
Text ProxyListFor(std::string_view proxy, bool tlsUrl);

// The proxy for one exchange as libcurl takes it ("http://host:port", the port always written)
// or "" for a direct connection.
Text ProxyForScheme(std::string_view list, bool tls);

}  // namespace pindle
