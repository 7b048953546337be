#include "web/request_exchange.h"

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "text/secret_mask.h"
#include "text/text_utils.h"
#include "web/cookies.h"
#include "web/curl_global.h"
#include "web/header_helpers.h"
#include "web/link_check.h"
#include "web/proxy_list.h"
#include "web/request_headers.h"
#include "web/request_target.h"
#include "web/url_helpers.h"
#include "web/web_errors.h"

namespace pindle {
namespace {

constexpr const char* kVerbs[] = {"GET", "POST", "HEAD", "PUT", "OPTIONS", "DELETE", "TRACE", "CONNECT"};

HttpMethodCode ClampMethod(HttpMethodCode code) { return code < kGet || code > kConnect ? kGet : code; }

bool StartsWithHttps(std::string_view url) { return StartsWithIgnoreAsciiCase(url, "https://"); }

// Everything the pipeline decided before the first byte goes out.
struct PreparedRequest {
  RequestTarget target;
  HttpMethodCode method = kGet;
  Text headers;                                                   // H, UTF-8
  Bytes userAgent;                                                // code page 936
  Bytes body;                                                     // sent for every verb but GET
  std::optional<std::vector<std::pair<Bytes, Bytes>>> formParts;  // a POST's multipart body instead
  Text proxyList;
  bool verifyTls = true;
  std::optional<Text> caFile;
  bool forbidRedirect = false;
  bool useSharedCookies = false;
  bool utf8Texts = false;  // the headers go out as UTF-8 bytes
  bool captureRequest = false;
  Text origin;                // of the first address: where the secrets may go
  std::vector<Text> secrets;  // the caller's, never sent to another origin
};

using Clock = std::chrono::steady_clock;

// What the callbacks collect during one exchange.
struct Received {
  CURL* curl = nullptr;
  ResponseHead head;
  Bytes body;
  std::size_t maxBody = 0;
  bool bodyTooLarge = false;
  // Stall watch: the last moment a byte went either way, once the connection stood.
  std::chrono::milliseconds stallLimit{0};
  Clock::time_point lastActivity;
  curl_off_t lastDown = -1, lastUp = -1;
  bool stalled = false;
  // Slow watch: the bytes moved since the window began; and the whole request's age.
  std::chrono::milliseconds slowWindow{0};
  std::size_t slowBytesPerSecond = 0;
  std::chrono::milliseconds longest{0};
  Clock::time_point requestStart, windowStart;
  curl_off_t windowDown = -1, windowUp = 0;
  long long slowReceived = -1;  // set when the window came out too slow
  bool tooLong = false;
  Bytes sent;  // the request bytes, when captured

  void startExchange() {
    head.reset();
    body.clear();
    lastActivity = Clock::now();
    lastDown = lastUp = -1;
    windowDown = -1;
  }

  // True when the transfer is to be abandoned as too slow or too long.
  bool tooSlow(Clock::time_point now, curl_off_t down, curl_off_t up) {
    if (now - requestStart >= longest) {
      tooLong = true;
      return true;
    }
    if (windowDown < 0) {  // the connection stands: the first window begins
      windowStart = now;
      windowDown = down;
      windowUp = up;
      return false;
    }
    if (now - windowStart < slowWindow) return false;
    const long long moved = (down - windowDown) + (up - windowUp);
    const auto wanted = static_cast<long long>(slowBytesPerSecond) *
                        std::chrono::duration_cast<std::chrono::milliseconds>(now - windowStart).count() / 1000;
    if (moved < wanted) {
      slowReceived = down - windowDown;
      return true;
    }
    windowStart = now;
    windowDown = down;
    windowUp = up;
    return false;
  }
};

size_t OnHeaderLine(char* data, size_t size, size_t count, void* user) {
  auto* received = static_cast<Received*>(user);
  received->head.addLine(std::string_view(data, size * count));
  received->lastActivity = Clock::now();
  return size * count;
}

// libcurl's low-speed check averages over a window of several seconds, so it fires late after a
// burst of bytes and also on a slow trickle; this aborts exactly when no byte moved for the limit.
int OnProgress(void* user, curl_off_t, curl_off_t down, curl_off_t, curl_off_t up) {
  auto* received = static_cast<Received*>(user);
  const Clock::time_point now = Clock::now();
  curl_off_t connected = 0;
  curl_easy_getinfo(received->curl, CURLINFO_PRETRANSFER_TIME_T, &connected);
  if (connected != 0 && received->tooSlow(now, down, up)) return 1;
  if (connected == 0 && now - received->requestStart >= received->longest) {
    received->tooLong = true;
    return 1;
  }
  if (connected == 0 || down != received->lastDown || up != received->lastUp) {
    // Connecting has its own limit; a moving byte count is progress.
    received->lastDown = down;
    received->lastUp = up;
    received->lastActivity = now;
    return 0;
  }
  if (now - received->lastActivity < received->stallLimit) return 0;
  received->stalled = true;
  return 1;
}

size_t OnBodyBytes(char* data, size_t size, size_t count, void* user) {
  auto* received = static_cast<Received*>(user);
  const size_t n = size * count;
  Bytes& body = received->body;
  if (body.size() + n > received->maxBody) {
    received->bodyTooLarge = true;
    return 0;  // aborts the transfer
  }
  // Grown by doubling, but never beyond the cap: what a batch's answers hold together stays
  // within what their caps add up to.
  if (body.size() + n > body.capacity())
    body.reserve(std::min(received->maxBody, std::max(body.size() + n, 2 * body.capacity())));
  body.append(data, n);
  received->lastActivity = Clock::now();
  return n;
}

int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  if (type == CURLINFO_HEADER_OUT || type == CURLINFO_DATA_OUT) static_cast<Received*>(user)->sent.append(data, size);
  return 0;
}

struct CurlDeleter {
  void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using CurlPtr = std::unique_ptr<CURL, CurlDeleter>;
using HeaderListPtr = std::unique_ptr<curl_slist, CurlDeleter>;

// The lines that a hop to another origin takes along: none that authenticates (credentials and
// cookies belong to the first origin) and none that holds a secret.
Text ForeignHeaders(const Text& block, const std::vector<Text>& secrets) {
  Text kept;
  for (const Text& line : Split(block, "\r\n")) {
    const Text name = Trim(TextBefore(line, ":"));
    if (EqualsIgnoreAsciiCase(name, "Authorization") || EqualsIgnoreAsciiCase(name, "Proxy-Authorization") ||
        EqualsIgnoreAsciiCase(name, "Cookie") || HoldsSecret(line, secrets))
      continue;
    kept += (kept.empty() ? "" : "\r\n") + line;
  }
  return kept;
}

// The agent of a hop: none to another origin when it holds a secret.
bool AgentGoes(const PreparedRequest& request, bool foreign) {
  return !request.userAgent.empty() && !(foreign && HoldsSecret(request.userAgent, request.secrets));
}

HeaderListPtr MakeHeaderList(const PreparedRequest& request, bool dropEntityHeaders, bool foreign = false) {
  curl_slist* list = nullptr;
  const Text headers = foreign ? ForeignHeaders(request.headers, request.secrets) : request.headers;
  for (const std::string& line : CurlHeaderLines(headers, dropEntityHeaders, request.utf8Texts))
    list = curl_slist_append(list, line.c_str());
  // An empty agent still goes out as one (empty) User-Agent line.
  if (!AgentGoes(request, foreign)) list = curl_slist_append(list, "User-Agent;");
  return HeaderListPtr(list);
}

// Whether the body a hop would send again holds a secret.
bool BodyHoldsSecret(const PreparedRequest& request) {
  if (request.method == kPost && request.formParts) {
    for (const auto& [name, value] : *request.formParts)
      if (HoldsSecret(name, request.secrets) || HoldsSecret(value, request.secrets)) return true;
    return false;
  }
  return HoldsSecret(request.body, request.secrets);
}

// The default Referer: the address, or without a secret it holds: its query cut, else its origin.
Text RefererFor(const Text& url, const std::vector<Text>& secrets) {
  if (!HoldsSecret(url, secrets)) return url;
  const Text cut = url.substr(0, url.find_first_of("?#"));
  if (!HoldsSecret(cut, secrets)) return cut;
  const Text home = Text(StartsWithHttps(url) ? "https://" : "http://") + UrlHost(url, true) + "/";
  return HoldsSecret(home, secrets) ? Text() : home;
}

void SetCommonOptions(CURL* curl, const PreparedRequest& request, const WebLimits& limits, Received& received,
                      char* errorBuffer) {
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_PATH_AS_IS, 1L);
  // Redirects are followed here, one exchange at a time, so that the verb and body change the
  // way WinINet changes them; libcurl would keep a custom verb such as PUT.
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
  // The progress callback ends a transfer that stalls, trickles or lasts too long, each with a
  // reason of its own (CURLOPT_TIMEOUT would only say "timed out").
  received.curl = curl;
  received.stallLimit = limits.stall;
  received.slowWindow = limits.slowWindow;
  received.slowBytesPerSecond = limits.slowBytesPerSecond;
  received.longest = limits.longest;
  received.requestStart = Clock::now();
  curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &received);
  curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
  received.maxBody = limits.maxBodyBytes;
  // Only the caller's proxy counts: no proxy and no bypass list from the environment.
  curl_easy_setopt(curl, CURLOPT_NOPROXY, "");
  curl_easy_setopt(curl, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, request.verifyTls ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, request.verifyTls ? 2L : 0L);
  if (request.caFile) {
    curl_easy_setopt(curl, CURLOPT_CAINFO, request.caFile->c_str());
    curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
  }
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, OnHeaderLine);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &received);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, OnBodyBytes);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &received);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  // libcurl hands the outgoing bytes only to a debug callback, which needs verbose mode; set both
  // ways, since a kept handle may come from a captured request.
  curl_easy_setopt(curl, CURLOPT_DEBUGFUNCTION, request.captureRequest ? OnDebug : nullptr);
  curl_easy_setopt(curl, CURLOPT_DEBUGDATA, request.captureRequest ? &received : nullptr);
  curl_easy_setopt(curl, CURLOPT_VERBOSE, request.captureRequest ? 1L : 0L);
  // The process-wide store; a request with cookies of its own neither reads nor writes it
  // (attaching it as well would send a second Cookie line).
  curl_easy_setopt(curl, CURLOPT_SHARE, request.useSharedCookies ? SharedCookieStore() : nullptr);
  if (request.useSharedCookies) curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");
}

void SetVerb(CURL* curl, HttpMethodCode method, bool sendBody, const Bytes& body) {
  curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);  // back to a plain GET, whatever the last exchange was
  curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr);
  if (method == kGet) return;
  if (method == kHead) {
    // A HEAD that carries a body makes libcurl wait for a response body that never comes, so a
    // HEAD goes out without one.
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    return;
  }
  // Never a null pointer: libcurl would then read the body from stdin.
  const char* data = sendBody ? body.c_str() : "";
  const size_t size = sendBody ? body.size() : 0;
  if (method != kPost) curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, kVerbs[method]);
  curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size));
  curl_easy_setopt(curl, CURLOPT_POSTFIELDS, data);
}

PreparedRequest Prepare(const RequestOptions& options) {
  PreparedRequest request;
  request.utf8Texts = options.utf8Texts.value_or(false);
  const auto wireBytes = [&](const Text& text) { return request.utf8Texts ? Bytes(text) : Utf8ToGbk(text); };
  request.target = ResolveRequestTarget(options.url, request.utf8Texts);
  request.method = ClampMethod(options.method.value_or(kGet));

  request.origin = UrlOrigin(options.url);
  if (options.secrets)
    for (const Text& secret : *options.secrets)
      if (!secret.empty()) request.secrets.push_back(secret);
  Text headers = options.extraHeaders.value_or("");
  request.userAgent =
      wireBytes(Contains(headers, "User-Agent:", true) ? UserAgentFromHeaders(headers) : Text(kDefaultUserAgent));
  if (options.completeHeaders.value_or(true))
    headers = CompleteDefaultHeaders(headers, RefererFor(options.url, request.secrets), request.method == kPost);
  if (options.normalizeHeaderNames.value_or(true)) headers = NormalizeHeaderNames(headers);
  // Behind the name rewriting, so the cookie line goes out as the caller wrote it.
  if (options.cookies) headers = AppendCookieLine(headers, *options.cookies);
  request.headers = std::move(headers);

  if (request.method != kGet) {
    request.body = options.postBytes && !options.postBytes->empty() ? *options.postBytes
                                                                    : wireBytes(options.postText.value_or(""));
  }
  if (request.method == kPost) request.formParts = options.formParts;
  request.proxyList = ProxyListFor(options.proxy.value_or(""), request.target.tls);
  request.verifyTls = options.verifyTls.value_or(true);
  request.caFile = options.caFile;
  request.forbidRedirect = options.forbidRedirect.value_or(false);
  request.useSharedCookies = !options.cookies.has_value();
  request.captureRequest = options.captureRequest.value_or(false);
  return request;
}

}  // namespace

struct RequestExchange::State {
  RequestOptions options;
  WebLimits limits;
  PreparedRequest request;
  Received received;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  CURL* curl = nullptr;
  HeaderListPtr headerList;
  Text url;
  bool tls = false;
  HttpMethodCode method = kGet;
  bool sendBody = true;
  bool foreign = false;  // the hop goes to another origin than the first address's
  int redirects = 0;
  Text error;
  bool certificateRefused = false;
  int status = 0;
  curl_mime* mime = nullptr;

  ~State() { curl_mime_free(mime); }

  // The options of the hop to `url`.
  void startHop() {
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_PROXY, ProxyForScheme(request.proxyList, tls).c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList.get());
    curl_easy_setopt(curl, CURLOPT_USERAGENT, AgentGoes(request, foreign) ? request.userAgent.c_str() : nullptr);
    SetVerb(curl, method, sendBody, request.body);
    if (method == kPost && sendBody && request.formParts) {
      if (!mime) {
        mime = curl_mime_init(curl);
        for (const auto& [name, value] : *request.formParts) {
          curl_mimepart* part = curl_mime_addpart(mime);
          curl_mime_name(part, name.c_str());
          curl_mime_data(part, value.data(), value.size());
        }
      }
      curl_easy_setopt(curl, CURLOPT_MIMEPOST, mime);
    }
    received.startExchange();
    errorBuffer[0] = '\0';
  }
};

RequestExchange::RequestExchange(const RequestOptions& options, const WebLimits& limits)
    : state_(std::make_unique<State>()) {
  state_->options = options;
  state_->limits = limits;
}

RequestExchange::~RequestExchange() = default;

bool RequestExchange::tls() const { return state_->request.target.tls; }

bool RequestExchange::attach(CURL* curl, bool offerHttp2) {
  State& s = *state_;
  try {
    EnsureCurlInitialised();
    s.request = Prepare(s.options);
    if (!s.request.target.error.empty()) {
      s.error = s.request.target.error;
      return false;
    }
    if (!curl) {
      s.error = "请求失败：无法创建网络请求";
      return false;
    }
    s.curl = curl;
    SetCommonOptions(curl, s.request, s.limits, s.received, s.errorBuffer);
    // Over TLS a service that offers HTTP/2 takes the batch's requests as streams of one connection.
    if (offerHttp2 && s.request.target.tls) {
      curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_2TLS));
      // Wait for a connection being opened to learn whether it takes streams, rather than open another.
      curl_easy_setopt(curl, CURLOPT_PIPEWAIT, 1L);
    }
    s.url = s.request.target.curlUrl;
    s.tls = s.request.target.tls;
    s.method = s.request.method;
    s.headerList = MakeHeaderList(s.request, false);
    s.startHop();
    return true;
  } catch (const std::bad_alloc&) {
    s.error = "内存不足，请求未能完成";
    return false;
  }
}

bool RequestExchange::hopEnded(CURLcode code) {
  State& s = *state_;
  CURL* const curl = s.curl;
  long status = 0;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
  s.status = static_cast<int>(status);
  if (code != CURLE_OK) {
    if (s.received.bodyTooLarge) {
      s.error = DescribeBodyTooLarge(s.limits);
    } else if (s.received.stalled) {
      s.error = DescribeStall(s.limits);
    } else if (s.received.tooLong) {
      s.error = DescribeTooLong(s.limits);
    } else if (s.received.slowReceived >= 0) {
      s.error = DescribeSlow(s.limits, s.received.slowReceived);
    } else {
      curl_off_t pretransfer = 0;
      curl_easy_getinfo(curl, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
      s.error = DescribeCurlFailure(code, SanitizeUtf8(s.errorBuffer), pretransfer > 0, s.limits);
      s.certificateRefused = IsCertificateRefusal(code);
    }
    return false;
  }
  if (s.received.head.received() && !s.received.head.complete()) {
    s.error = "连接在响应头中途断开";
    return false;
  }
  if (s.request.forbidRedirect || !IsFollowedRedirect(status)) return false;
  const char* location = nullptr;
  curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
  if (!location || !HasWebScheme(location)) return false;
  if (s.redirects >= s.limits.maxRedirects) {
    s.error = DescribeTooManyRedirects(s.limits);
    return false;
  }
  const bool toGet = status != 307 && status != 308 && s.method != kGet && s.method != kHead;
  const bool foreign = UrlOrigin(location) != s.request.origin;
  if (foreign && !s.request.secrets.empty()) {
    // A secret in the new address, or in a body sent again, would reach the other origin.
    const bool repeatsBody = !toGet && s.sendBody && s.method != kGet && s.method != kHead;
    if (HoldsSecret(location, s.request.secrets) || (repeatsBody && BodyHoldsSecret(s.request))) {
      s.error = LeavesOriginReason(UrlOrigin(location), s.request.origin);
      return false;
    }
  }
  ++s.redirects;
  s.url = location;
  s.tls = StartsWithHttps(s.url);
  if (toGet) {
    s.method = kGet;
    s.sendBody = false;
  }
  if (toGet || foreign != s.foreign) {
    s.foreign = foreign;
    s.headerList = MakeHeaderList(s.request, !s.sendBody, foreign);
  }
  s.startHop();
  return true;
}

WebResponse RequestExchange::takeResponse() {
  State& s = *state_;
  WebResponse response;
  response.cookies = s.options.cookies;
  try {
    response.status = s.status;
    response.error = s.error;
    response.certificateRefused = s.certificateRefused;
    if (!s.curl) return response;  // never sent: headers and cookies stay as they were
    response.headers = s.received.head.reported();
    if (s.error.empty()) response.body = std::move(s.received.body);
    response.sentRequest = std::move(s.received.sent);
    response.receivedCookies = ExtractSetCookies(response.headers);
    if (s.options.cookies && s.options.mergeCookies.value_or(true)) {
      Text sent = *s.options.cookies;
      response.receivedCookies = MergeCookies(sent, response.receivedCookies);
      response.cookies = std::move(sent);
    }
  } catch (const std::bad_alloc&) {
    response = WebResponse();
    response.cookies = s.options.cookies;
    response.error = "内存不足，请求未能完成";
  }
  return response;
}

const char* HttpMethodName(HttpMethodCode code) { return kVerbs[ClampMethod(code)]; }

Text LeavesOriginReason(const Text& origin, const Text& firstOrigin) {
  return "服务把请求转到另一个网站（" + ShownOrigin(origin, firstOrigin) + "），密钥不随之发送";
}

}  // namespace pindle
