#include "generate/plugin_extensions.h"

#include <nlohmann/json.hpp>

#include "json/json_document.h"
#include "platform/codepage.h"
#include "text/percent_encoding.h"
#include "text/text_utils.h"

namespace pindle {

std::vector<std::pair<Bytes, Bytes>> FormParts(const Text& data, bool utf8) {
  std::vector<std::pair<Bytes, Bytes>> parts;
  for (const Text& field : Split(data, "&")) {
    if (field.empty()) continue;
    const size_t equals = field.find('=');
    const Text name = field.substr(0, equals);
    const Text value = equals == Text::npos ? Text() : field.substr(equals + 1);
    auto bytes = [&](const Text& text) { return PercentDecode(utf8 ? Bytes(text) : Utf8ToGbk(text)); };
    parts.emplace_back(bytes(name), bytes(value));
  }
  return parts;
}

void ApplyBodyType(BodyType bodyType, RequestOptions& request) {
  if (bodyType == BodyType::Classic || request.method != kPost) return;
  Text headers = request.extraHeaders.value_or("");
  if (!Contains(headers, "Content-Type:", true)) {
    if (!headers.empty()) headers += "\r\n";
    headers += bodyType == BodyType::Json        ? "Content-Type: application/json"
               : bodyType == BodyType::Multipart ? "Content-Type: multipart/form-data"
                                                 : "Content-Type: application/x-www-form-urlencoded";
    request.extraHeaders = headers;
  }
  if (bodyType == BodyType::Multipart)
    request.formParts = FormParts(request.postText.value_or(""), request.utf8Texts.value_or(false));
  // JSON is UTF-8 on the wire, whatever code page the classic body goes out in.
  if (bodyType == BodyType::Json) request.postBytes = request.postText.value_or("");
}

bool IsExtractionErrorText(const Text& text) { return text == kJsonParseFailedText || text == "数据错误！"; }

Text WithResultPrefix(const Text& extracted, const Text& resultPrefix) {
  if (resultPrefix.empty() || extracted.empty() || IsExtractionErrorText(extracted)) return extracted;
  return resultPrefix + extracted;
}

}  // namespace pindle
