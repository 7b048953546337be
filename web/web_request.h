#pragma once
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "platform/types.h"

namespace pindle {

// The verb table; a code below 0 or above 7 is sent as GET.
using HttpMethodCode = std::int32_t;
inline constexpr HttpMethodCode kGet = 0, kPost = 1, kHead = 2, kPut = 3, kOptions = 4, kDelete = 5, kTrace = 6,
                                kConnect = 7;

// The inputs of one request. Every input but `url` has a supplied state apart from its value:
// an empty optional is "not supplied".
// Texts are UTF-8 here; on the wire the URL, postText, extraHeaders and cookies travel as code
// page 936 bytes, as the Windows program sent them. postBytes go out exactly as given.
struct RequestOptions {
  Text url;
  std::optional<HttpMethodCode> method;
  std::optional<Text> postText;
  std::optional<Text> cookies;  // supplied (even empty): the process-wide cookie store is off
  std::optional<Text> extraHeaders;
  std::optional<bool> forbidRedirect;
  std::optional<Bytes> postBytes;
  // A POST sends these as multipart/form-data text parts (name, value; bytes as given) instead of
  // postText and postBytes. Content-Type "multipart/form-data" gets the parts' boundary.
  std::optional<std::vector<std::pair<Bytes, Bytes>>> formParts;
  // "host:port". For a plain-HTTP URL it serves plain HTTP only, so a redirect to https goes
  // direct (web/proxy_list.h). Not supplied or empty: direct, whatever the environment says.
  std::optional<Text> proxy;
  std::optional<bool> mergeCookies;
  std::optional<bool> completeHeaders;
  std::optional<bool> normalizeHeaderNames;
  // Certificate verification; on when not supplied. The program's callers pass the user's
  // switch (VerifyTlsSetting in app/settings.h).
  std::optional<bool> verifyTls;
  // A PEM file of the certificate authorities to trust instead of the system's (tests bring
  // their own authority this way). Not supplied: the system's store.
  std::optional<Text> caFile;
  // On: the URL, postText, extraHeaders and cookies go out as their UTF-8 bytes, as a plug-in file or
  // manifest saved in UTF-8 holds them. Not supplied or off: code page 936.
  std::optional<bool> utf8Texts;
  // Keep a copy of every byte of the request as it went out (header blocks and bodies, one after
  // another when redirects are followed), for a trace. Off when not supplied.
  std::optional<bool> captureRequest;
  // Values that never leave the origin (scheme, host and port) of `url`, in any form MaskSecrets
  // knows (text/secret_mask.h): a redirect to another origin sends no header line holding one,
  // and is not followed when its address, or the body a 307 or 308 would send again, holds one.
  // The default Referer never holds one. PrepareShorten gives the secrets of the plug-in's fields.
  std::optional<std::vector<Text>> secrets;
};

struct WebResponse {
  Bytes body;                       // the entity after transfer decoding; empty on every failure
  Text headers;                     // raw header block of the final response (status line first), or 5000 spaces
  Text receivedCookies;             // name=value members separated by "; "
  std::optional<Text> cookies;      // the supplied cookies after merging (only when supplied)
  int status = 0;                   // status code of the final response; 0 when none arrived
  Text error;                       // why the exchange failed (empty when it did not)
  bool certificateRefused = false;  // it failed because the service's certificate was refused
  Bytes sentRequest;                // with captureRequest: the request bytes as sent
  bool failed() const { return !error.empty(); }
};

// Why a redirect was not followed: it would have taken a secret from the first address's origin
// to `origin` ("服务把请求转到另一个网站（127.0.0.2），密钥不随之发送").
Text LeavesOriginReason(const Text& origin, const Text& firstOrigin);

// The verb of a code, "GET" for a code outside the table.
const char* HttpMethodName(HttpMethodCode code);

// One complete exchange, synchronously on the calling thread. Never throws.
// Redirects (301, 302, 303, 307, 308 to http or https) are followed unless forbidRedirect; a 301,
// 302 or 303 turns every verb but GET and HEAD into a GET without body. A hop to another origin
// than the first address's goes without the Authorization, Proxy-Authorization and Cookie lines
// (the caller's cookie line included) and without any line holding one of the secrets; a hop
// there that would carry a secret in its address or body is not made: the exchange fails with
// LeavesOriginReason. Limits on waiting, on
// redirects and on the body's size: web/web_limits.h. With cookies not supplied, the process-wide
// store of web/curl_global.h is read and written.
WebResponse WebRequest(const RequestOptions& options);

// While one lives, the requests of the thread that made it leave their connections open for the
// next request, so a batch to one service pays one TCP and TLS handshake instead of one per URL.
// The last scope of the thread to end closes them. Scopes nest; each belongs to its thread.
class ConnectionReuseScope {
 public:
  ConnectionReuseScope();
  ~ConnectionReuseScope();
  ConnectionReuseScope(const ConnectionReuseScope&) = delete;
  ConnectionReuseScope& operator=(const ConnectionReuseScope&) = delete;
};

}  // namespace pindle
