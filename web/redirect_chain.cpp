#include "web/redirect_chain.h"

#include <curl/curl.h>

#include <algorithm>
#include <memory>

#include "text/text_utils.h"
#include "web/curl_global.h"
#include "web/request_exchange.h"
#include "web/web_errors.h"
#include "web/web_limits.h"

namespace pindle {
namespace {

// The Location line of the response, kept by hand: libcurl forgets the one it saw when a
// transfer is stopped at the body.
size_t KeepLocation(char* data, size_t size, size_t count, void* user) {
  const std::string_view line(data, size * count);
  auto* location = static_cast<Text*>(user);
  if (line.rfind("HTTP/", 0) == 0) location->clear();  // a new response head starts
  if (line.size() > 9 && ToLowerAscii(line.substr(0, 9)) == "location:") {
    Text value(line.substr(9));
    while (!value.empty() && (value.back() == '\r' || value.back() == '\n' || value.back() == ' ')) value.pop_back();
    *location = value.substr(std::min(value.size(), value.find_first_not_of(' ')));
  }
  return size * count;
}

// `location` read against `base`, as a browser would.
Text Resolve(const Text& base, const Text& location) {
  std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> u(curl_url(), &curl_url_cleanup);
  char* joined = nullptr;
  if (!u || curl_url_set(u.get(), CURLUPART_URL, base.c_str(), 0) != CURLUE_OK ||
      curl_url_set(u.get(), CURLUPART_URL, location.c_str(), 0) != CURLUE_OK ||
      curl_url_get(u.get(), CURLUPART_URL, &joined, 0) != CURLUE_OK)
    return {};
  Text result = joined;
  curl_free(joined);
  return result;
}

// The first body byte ends the transfer: the head is all that is wanted.
size_t StopAtBody(char*, size_t size, size_t count, void* user) {
  if (size * count == 0) return 0;
  *static_cast<bool*>(user) = true;
  return 0;
}

struct Answer {
  bool reached = false;  // the connection stood (and its TLS handshake was done)
  long status = 0;
  Text location;  // absolute, resolved against the address asked
  Text error;
};

Answer Ask(CURL* curl, const Text& url, bool head) {
  bool bodyStarted = false;
  Text location;
  char errorBuffer[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_NOBODY, head ? 1L : 0L);
  if (!head) curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, StopAtBody);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, &bodyStarted);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, &location);
  curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorBuffer);
  const CURLcode code = curl_easy_perform(curl);
  Answer answer;
  curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &answer.status);
  curl_off_t pretransfer = 0;
  curl_easy_getinfo(curl, CURLINFO_PRETRANSFER_TIME_T, &pretransfer);
  answer.reached = pretransfer > 0;
  if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && bodyStarted)) {
    answer.error = DescribeCurlFailure(code, errorBuffer, answer.reached, CurrentWebLimits());
    return answer;
  }
  if (!location.empty()) answer.location = Resolve(url, location);
  return answer;
}

void SetOptions(CURL* curl, const RedirectChainOptions& options, const WebLimits& limits) {
  curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);  // hop by hop, to see each one
  curl_easy_setopt(curl, CURLOPT_USERAGENT, kDefaultUserAgent);
  curl_easy_setopt(curl, CURLOPT_PROXY, "");       // direct, whatever the environment says
  curl_easy_setopt(curl, CURLOPT_COOKIEFILE, "");  // cookies set on the way go along to later hops
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, KeepLocation);
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connect.count()));
  // A service that goes silent: no byte for the stall limit ends the hop.
  const long stallSeconds = std::max<long>(1, static_cast<long>((limits.stall.count() + 999) / 1000));
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, stallSeconds);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, options.verifyTls ? 1L : 0L);
  curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, options.verifyTls ? 2L : 0L);
  if (options.caFile) {
    curl_easy_setopt(curl, CURLOPT_CAINFO, options.caFile->c_str());
    curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
  }
}

}  // namespace

RedirectChain FollowRedirectChain(const Text& url, const RedirectChainOptions& options) {
  RedirectChain chain;
  const Text lower = ToLowerAscii(url);
  if (lower.rfind("http://", 0) != 0 && lower.rfind("https://", 0) != 0) {
    chain.error = "不是 http 或 https 网址";
    return chain;
  }
  EnsureCurlInitialised();
  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), &curl_easy_cleanup);
  if (!curl) {
    chain.error = "无法创建网络请求";
    return chain;
  }
  SetOptions(curl.get(), options, CurrentWebLimits());
  Text current = url;
  for (;;) {
    Answer answer = Ask(curl.get(), current, true);
    // Services that refuse HEAD answer it with an error status (405, 501, sometimes 403 or 404)
    // or break it off; their GET head tells the truth. A server never reached is not asked twice.
    if (answer.status >= 400 || (!answer.error.empty() && answer.reached)) {
      Answer byGet = Ask(curl.get(), current, false);
      if (byGet.error.empty() || !answer.error.empty()) answer = std::move(byGet);
    }
    chain.hops.push_back({current, static_cast<int>(answer.status)});
    if (!answer.error.empty()) {
      if (chain.hops.size() == 1) {
        chain.error = answer.error;
        return chain;
      }
      chain.unreached = answer.error;
      break;
    }
    if (!IsFollowedRedirect(answer.status) || answer.location.empty()) break;
    const auto seen = std::find_if(chain.hops.begin(), chain.hops.end(),
                                   [&](const RedirectHop& hop) { return hop.url == answer.location; });
    if (seen != chain.hops.end()) {
      chain.hops.push_back({answer.location, 0});
      chain.error = "跳转成环：又回到了 " + answer.location;
      return chain;
    }
    if (static_cast<int>(chain.hops.size()) > options.maxHops) {
      chain.error = "跳转超过 " + std::to_string(options.maxHops) + " 次，已停止";
      return chain;
    }
    current = answer.location;
  }
  chain.finalUrl = current;
  return chain;
}

}  // namespace pindle
