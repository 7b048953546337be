#pragma once
#include "json/json_document.h"
#include "platform/types.h"
#include "web/web_request.h"

namespace pindle {

// Optional keys and placeholders beyond the classic plug-in format. A reader that does not know
// them leaves them alone, so a file that uses them still loads everywhere; every classic key keeps
// its meaning.

// In API.Data: the long URL as typed, not percent-encoded (letter case of the name is free, like
// "$Url$"). Inside a JSON body it is written JSON-escaped, so it can stand between quotes.
inline constexpr const char* kRawUrlPlaceholder = "$RawUrl$";
// "json": the POST body is JSON, sent as UTF-8 with "Content-Type: application/json";
// "form": the body is a form, "Content-Type: application/x-www-form-urlencoded".
// Compared without regard to letter case; absent or anything else: as the classic format sends it.
inline constexpr const char* kPluginApiBodyTypeKey = "API.BodyType";
// Response.Type "5": the link is the first capture group of the regular expression in
// Response.Pattern (the whole match when it has no group), searched in the decoded answer.
inline constexpr const char* kPatternResponseType = "5";
inline constexpr const char* kPluginResponsePatternKey = "Response.Pattern";
// Put in front of the link whatever the type, when the extraction yielded one (not the empty
// text and not an error text).
inline constexpr const char* kPluginResponseResultPrefixKey = "Response.ResultPrefix";

enum class BodyType { Classic, Json, Form };
BodyType ReadBodyType(const Text& value);

// Puts the raw long URL in place of "$RawUrl$" in `data` (JSON-escaped for a JSON body).
Text ReplaceRawUrl(const Text& data, const Text& longUrl, BodyType bodyType);

// Gives a POST request the body type's Content-Type (unless the headers name one) and, for JSON,
// the body as UTF-8 bytes.
void ApplyBodyType(BodyType bodyType, RequestOptions& request);

// The result prefix in front of an extracted link; error texts and the empty text stay as they are.
Text WithResultPrefix(const Text& extracted, const Text& resultPrefix);

// Whether an extraction result is an error text rather than something the service said.
bool IsExtractionErrorText(const Text& text);

}  // namespace pindle
