#include "web/url_helpers.h"

#include <climits>

#include "text/text_utils.h"

namespace pindle {

Text UrlHost(std::string_view url, bool keepPort) {
  // The classic rule: after "https://" at the start, else after the first "http://" anywhere
  // (none: from the start), up to the next '/', the address ending in one; letter case aside. Only the
  // host is lowered, not the whole address, which a batch asks for at every line.
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  const auto startsAt = [&](std::string_view text, size_t at, std::string_view prefix) {
    if (text.size() - at < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
      if (lower(text[at + i]) != prefix[i]) return false;
    return true;
  };
  // The '/' the rule puts at the end never completes a scheme (the address would already end in
  // one), so the scheme is looked for in the address itself and the host may run to its end.
  size_t begin = 0;
  if (startsAt(url, 0, "https://")) {
    begin = 8;
  } else {
    for (size_t at = 0; at + 7 <= url.size(); ++at)
      if (startsAt(url, at, "http://")) {
        begin = at + 7;
        break;
      }
  }
  if (begin > url.size()) return {};
  const size_t slash = url.find('/', begin);
  Text host = ToLowerAscii(url.substr(begin, (slash == std::string_view::npos ? url.size() : slash) - begin));
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
  return StartsWithIgnoreAsciiCase(url, "https") ? 443 : 80;
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
  const bool tls = StartsWithIgnoreAsciiCase(url, "https://");
  int port = UrlPort(url);
  if (port == 0) port = tls ? 443 : 80;  // as the request takes it
  return Text(tls ? "https://" : "http://") + UrlHost(url) + ":" + std::to_string(port);
}

Text ShownOrigin(std::string_view origin, std::string_view other) {
  const Text host = UrlHost(origin);
  return host == UrlHost(other) ? Text(origin) : host;
}

}  // namespace pindle
