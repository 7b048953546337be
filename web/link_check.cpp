#include "web/link_check.h"

#include <curl/curl.h>

#include <memory>
#include <string>

#include "text/text_utils.h"

namespace pindle {
namespace {

struct UrlFree {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
struct TextFree {
  void operator()(char* text) const { curl_free(text); }
};

}  // namespace

bool HasWebScheme(std::string_view text) {
  const Text lower = ToLowerAscii(text.substr(0, 8));
  const std::size_t scheme = lower.starts_with("https://") ? 8 : lower.starts_with("http://") ? 7 : 0;
  return scheme > 0 && text.size() > scheme;
}

namespace {

// IsLink without its memory.
bool CheckLink(std::string_view text) {
  // libcurl also takes "http:/host" and a missing scheme; a link names both in full.
  if (!HasWebScheme(text)) return false;
  // libcurl reads "https:///x" as the host x; a link names its host behind exactly two slashes.
  const std::size_t start = text.find("://") + 3;
  if (start >= text.size() || text[start] == '/' || text[start] == '\\') return false;
  for (const char c : text)
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  const std::unique_ptr<CURLU, UrlFree> url(curl_url());
  if (!url || curl_url_set(url.get(), CURLUPART_URL, std::string(text).c_str(), 0) != CURLUE_OK) return false;
  char* host = nullptr;
  if (curl_url_get(url.get(), CURLUPART_HOST, &host, 0) != CURLUE_OK) return false;
  const std::unique_ptr<char, TextFree> held(host);
  return host && *host;
}

}  // namespace

bool IsLink(std::string_view text) {
  // A result is asked about twice (for its reason and for its kind): the last answer is kept,
  // for a text of a link's size (a whole answer that is no link is not held on to).
  if (text.size() > 4096) return CheckLink(text);
  thread_local std::string lastText;
  thread_local bool lastAnswer = false, asked = false;
  if (asked && text == lastText) return lastAnswer;
  lastAnswer = CheckLink(text);
  lastText.assign(text);
  asked = true;
  return lastAnswer;
}

}  // namespace pindle
