#include "web/request_target.h"

#include "platform/codepage.h"
#include "text/percent_encoding.h"
#include "text/text_utils.h"
#include "web/url_helpers.h"

namespace pindle {
namespace {

bool IsHostByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '_' || c >= 0x80;
}

}  // namespace

Text PercentEncodeUnsafeBytes(std::string_view bytes) { return PercentEncodeBytes(bytes, PercentKeep::Printable); }

RequestTarget ResolveRequestTarget(std::string_view url, bool utf8) {
  RequestTarget t;
  t.tls = Left(ToLowerAscii(url), 8) == "https://";
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
