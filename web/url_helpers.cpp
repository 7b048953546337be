#include "web/url_helpers.h"

#include <climits>

#include "text/text_utils.h"

namespace pindle {

Text UrlHost(std::string_view url, bool keepPort) {
  Text lower = ToLowerAscii(url);
  if (lower.empty() || lower.back() != '/') lower += '/';
  Text host;
  if (Left(lower, 8) == "https://") {
    host = TextBetween(lower, "https://", "/");
  } else {
    if (!Contains(lower, "http://")) lower = "http://" + lower;
    host = TextBetween(lower, "http://", "/");
  }
  if (!keepPort && Contains(host, ":")) host = TextBefore(host, ":");
  return host;
}

int UrlPort(std::string_view url) {
  const Text host = UrlHost(url, true);
  const int colon = FindBackward(host, ":");
  if (colon > 0) {
    const long long port = ToInteger(std::string_view(host).substr(static_cast<size_t>(colon)));
    if (port > INT_MAX) return INT_MAX;
    if (port < INT_MIN) return INT_MIN;
    return static_cast<int>(port);
  }
  return Left(ToLowerAscii(url), 5) == "https" ? 443 : 80;
}

Text UrlPath(std::string_view url) {
  const Text host = UrlHost(url);
  // Look for the host behind the scheme: searched from the first character, a short host such
  // as "h" or "tp" would be found inside "http://" and the path would start at "//".
  const int scheme = Find(url, "://");
  const int from = scheme > 0 ? scheme + 3 : 1;
  const int at = Find(url, host, from, true);
  if (at < 0) return "/";
  const int slash = Find(url, "/", at, true);
  if (slash < 0) return "/";
  return Text(url.substr(static_cast<size_t>(slash - 1)));
}

Text UrlOrigin(std::string_view url) {
  const bool tls = Left(ToLowerAscii(url), 8) == "https://";
  int port = UrlPort(url);
  if (port == 0) port = tls ? 443 : 80;  // as the request takes it
  return Text(tls ? "https://" : "http://") + UrlHost(url) + ":" + std::to_string(port);
}

Text ShownOrigin(std::string_view origin, std::string_view other) {
  const Text host = UrlHost(origin);
  return host == UrlHost(other) ? Text(origin) : host;
}

}  // namespace pindle
