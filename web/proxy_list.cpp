#include "web/proxy_list.h"

#include <algorithm>

#include "text/text_utils.h"

namespace pindle {
namespace {

// libcurl's default proxy port is 1080; the port is always written so that it is WinINet's 80.
Text WithSchemeAndPort(std::string_view address) {
  Text a(address);
  if (!Contains(a, "://")) a = "http://" + a;
  const size_t hostStart = a.find("://") + 3;
  const size_t hostEnd = std::min(a.find('/', hostStart), a.size());
  const std::string_view host = std::string_view(a).substr(hostStart, hostEnd - hostStart);
  const size_t colon = host.rfind(':');
  if (colon == std::string_view::npos || host.find(']', colon) != std::string_view::npos) a.insert(hostEnd, ":80");
  return a;
}

}  // namespace

Text ProxyListFor(std::string_view proxy, bool tlsUrl) {
  if (proxy.empty()) return {};
  return tlsUrl ? Text(proxy) : "http=" + Text(proxy);
}

Text ProxyForScheme(std::string_view list, bool tls) {
  const std::string_view scheme = tls ? "https" : "http";
  Text forAll;
  for (const Text& entry : Split(Replace(list, ";", " "), " ")) {
    if (entry.empty()) continue;
    const size_t equals = entry.find('=');
    if (equals == Text::npos) {
      if (forAll.empty()) forAll = entry;
    } else if (EqualsIgnoreAsciiCase(std::string_view(entry).substr(0, equals), scheme)) {
      return WithSchemeAndPort(std::string_view(entry).substr(equals + 1));
    }
  }
  return forAll.empty() ? Text() : WithSchemeAndPort(forAll);
}

}  // namespace pindle
