#include "web/request_target.h"

#include <cctype>
#include <cstdio>

#include "platform/codepage.h"
#include "text/percent_encoding.h"
#include "text/text_utils.h"
#include "web/url_helpers.h"

namespace pindle {
namespace {

bool IsHostByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' || c >= 0x80;
}

// libcurl takes no longer URL; past it a request would fail with a text that names no cause.
constexpr std::size_t kMaxUrlBytes = 8'000'000;

// The scheme a URL names when it is neither http nor https ("gopher", "javascript"); empty when it
// names http(s) or none ("a.example/x" and "localhost:8080/x" are plain HTTP, as always).
Text OtherScheme(std::string_view url) {
  const std::size_t colon = url.find(':');
  if (colon == 0 || colon == std::string_view::npos) return {};
  const std::string_view scheme = url.substr(0, colon);
  if (!std::isalpha(static_cast<unsigned char>(scheme[0]))) return {};
  for (const char c : scheme)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '-' && c != '.') return {};
  const Text lower = ToLowerAscii(scheme);
  if (lower == "http" || lower == "https") return {};
  const bool slashes = url.substr(colon + 1, 2) == "//";
  // "host:port" is no scheme: a digit follows its colon, and a scheme has no dots without "//".
  const bool port = colon + 1 < url.size() && std::isdigit(static_cast<unsigned char>(url[colon + 1]));
  if (!slashes && (port || Contains(scheme, "."))) return {};
  return Text(scheme);
}

Text Megabytes(std::size_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024.0));
  return text;
}

}  // namespace

Text PercentEncodeUnsafeBytes(std::string_view bytes) { return PercentEncodeBytes(bytes, PercentKeep::Printable); }

RequestTarget ResolveRequestTarget(std::string_view url, bool utf8) {
  RequestTarget t;
  // Refused before anything is looked up, and without the URL itself in the text.
  if (url.size() > kMaxUrlBytes) {
    t.error = "网址太长（" + Megabytes(url.size()) + "）";
    return t;
  }
  if (const Text scheme = OtherScheme(url); !scheme.empty()) {
    t.error = "网址无效：只能请求 http 或 https 网址，不能请求 " + Left(scheme, 40) + ":";
    return t;
  }
  t.tls = StartsWithIgnoreAsciiCase(url, "https://");
  t.host = UrlHost(url);
  t.port = UrlPort(url);
  t.path = UrlPath(url);
  if (t.host.empty()) {
    t.error = "网址无效：没有主机名";
    return t;
  }
  for (const char c : t.host) {
    if (!IsHostByte(static_cast<unsigned char>(c))) {
      t.error = "网址无效：主机名“" + t.host + "”含有不能用的字符";
      return t;
    }
  }
  // Port 0 (nothing readable behind the colon) means the scheme's own port, as WinINet takes it.
  if (t.port == 0) t.port = t.tls ? 443 : 80;
  if (t.port < 0 || t.port > 65535) {
    t.error = "网址无效：端口 " + std::to_string(t.port) + " 不存在";
    return t;
  }
  t.curlUrl = Text(t.tls ? "https://" : "http://") + t.host + ":" + std::to_string(t.port) +
              PercentEncodeUnsafeBytes(utf8 ? Bytes(t.path) : Utf8ToGbk(t.path));
  return t;
}

}  // namespace pindle
