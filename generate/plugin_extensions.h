#pragma once
#include <utility>
#include <vector>

#include "json/json_document.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"
#include "web/web_request.h"

namespace pindle {

// What the optional keys of plugins/plugin_definition.h do to a run.

// The fields of a form "name=value&..." as multipart parts: each name and value in the request's
// code page, %XX decoded ("+" stays "+"); empty fields are skipped.
std::vector<std::pair<Bytes, Bytes>> FormParts(const Text& data, bool utf8);

// Gives a POST request the body type's Content-Type (unless the headers name one); for JSON the
// body as UTF-8 bytes, for multipart the form of postText as parts.
void ApplyBodyType(BodyType bodyType, RequestOptions& request);

// The result prefix in front of an extracted link; error texts and the empty text stay as they are.
Text WithResultPrefix(const Text& extracted, const Text& resultPrefix);

// Whether an extraction result is an error text rather than something the service said.
bool IsExtractionErrorText(const Text& text);

}  // namespace pindle
