#pragma once
#include "json/json_document.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"
#include "web/web_request.h"

namespace pindle {

// What the optional keys of plugins/plugin_definition.h do to a run.

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
