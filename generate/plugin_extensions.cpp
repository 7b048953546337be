#include "generate/plugin_extensions.h"

#include <nlohmann/json.hpp>

#include "json/json_document.h"
#include "text/text_utils.h"

namespace pindle {

BodyType ReadBodyType(const Text& value) {
  if (EqualsIgnoreAsciiCase(value, "json")) return BodyType::Json;
  if (EqualsIgnoreAsciiCase(value, "form")) return BodyType::Form;
  return BodyType::Classic;
}

Text ReplaceRawUrl(const Text& data, const Text& longUrl, BodyType bodyType) {
  if (data.find('$') == Text::npos) return data;
  Text raw = longUrl;
  if (bodyType == BodyType::Json) {
    // ASCII-only escapes, so the body is the same bytes whatever the wire encoding.
    const Text quoted = nlohmann::json(longUrl).dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
    raw = quoted.substr(1, quoted.size() - 2);
  }
  return Replace(data, kRawUrlPlaceholder, raw, 1, -1, /*caseSensitive=*/false);
}

void ApplyBodyType(BodyType bodyType, RequestOptions& request) {
  if (bodyType == BodyType::Classic || request.method != kPost) return;
  Text headers = request.extraHeaders.value_or("");
  if (!Contains(headers, "Content-Type:", true)) {
    if (!headers.empty()) headers += "\r\n";
    headers += bodyType == BodyType::Json ? "Content-Type: application/json"
                                          : "Content-Type: application/x-www-form-urlencoded";
    request.extraHeaders = headers;
  }
  // JSON is UTF-8 on the wire, whatever code page the classic body goes out in.
  if (bodyType == BodyType::Json) request.postBytes = request.postText.value_or("");
}

bool IsExtractionErrorText(const Text& text) { return text == kJsonParseFailedText || text == "数据错误！"; }

Text WithResultPrefix(const Text& extracted, const Text& resultPrefix) {
  if (resultPrefix.empty() || extracted.empty() || IsExtractionErrorText(extracted)) return extracted;
  return resultPrefix + extracted;
}

}  // namespace pindle
