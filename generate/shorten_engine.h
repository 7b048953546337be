#pragma once
#include <vector>

#include "json/json_document.h"
#include "platform/types.h"
#include "web/web_request.h"

namespace pindle {

// One long URL through one plug-in: read the plug-in file, build the request it describes with
// the encoded long URL in place of "$Url$", send it, and take the short link out of the answer.
// The result is whatever the extraction yields (also "JSON解析失败" and "数据错误！"), or the
// empty text when no request is sent. `reason` (if given) receives why no link came out
// (generate/failure_reason.h), or is cleared when one did.
Text ShortenOne(const Text& pluginFile, const Text& longUrl, JsonDocument& document, Text* reason = nullptr);

// ShortenOne in its two halves, so that a batch can keep several requests in flight and a
// trace can show each step: the request the plug-in file describes, then the reading of the
// answer. `send` is false when the file names no method that is sent (the result is empty).
struct ShortenRequest {
  bool send = false;
  RequestOptions request;
  Text responseType;
  Text responseParameter;
  Text responsePrefix;
  Text responsePattern;       // Response.Pattern, for Response.Type "5"
  Text responseResultPrefix;  // Response.ResultPrefix
  // Values the request carries that are never shown: masked in every reason.
  std::vector<Text> secrets;
};
ShortenRequest PrepareShorten(const Text& pluginFile, const Text& longUrl, JsonDocument& document);
// The link out of an answer; `reason` (if given) as for ShortenOne.
Text FinishShorten(const ShortenRequest& prepared, const WebResponse& response, Text* reason = nullptr);

// Every byte as %XX (upper-case hex); with keepSafe, "-", ".", digits and ASCII letters stay.
// The bytes are those of code page 936, or of UTF-8 when utf8 is on.
Text PercentEncode(const Text& text, bool keepSafe = false, bool utf8 = false);

// Whether an answer is to be read as UTF-8: a byte-order mark, or a three- or four-byte
// sequence before any invalid byte.
bool LooksLikeUtf8(const Bytes& body);

// UTF-8 bytes as program text (malformed bytes become U+FFFD).
Text Utf8ToLocal(const Bytes& bytes);

// The answer as program text: up to its first zero byte, decoded as UTF-8 when LooksLikeUtf8
// says so and as code page 936 otherwise.
Text DecodeAnswer(const Bytes& body);

// The classic response types: "0" whole answer, "1" JSON path, "2" prefix + JSON path,
// "3" text between two markers, "4" JSON path inside the text between two markers.
Text ExtractShortUrl(const Text& answer, const Text& type, const Text& parameter, const Text& prefix);

// The link as the prepared run reads it from a decoded answer: the classic types, the regular
// expression of type "5" (generate/plugin_extensions.h), then the result prefix.
Text ExtractPreparedLink(const ShortenRequest& prepared, const Text& answer);

}  // namespace pindle
