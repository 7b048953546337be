#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Where a request goes, as the pipeline reads it from the caller's URL: TLS when the URL starts
// with "https://" in any letter case, host and port from UrlHost/UrlPort, path from UrlPath.
struct RequestTarget {
  bool tls = false;
  Text host;
  int port = 0;
  Text path;     // as written (UTF-8)
  Text curlUrl;  // scheme://host:port + the path's wire bytes, percent-encoded where needed
  Text error;    // why the URL cannot be requested; empty when it can
};

// The path goes out in code page 936, or as its UTF-8 bytes when `utf8` is on.
RequestTarget ResolveRequestTarget(std::string_view url, bool utf8 = false);

// Bytes of 0x80 and above, control bytes and the space as %XX; everything else as it is.
Text PercentEncodeUnsafeBytes(std::string_view bytes);

}  // namespace pindle
