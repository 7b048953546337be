#pragma once
#include <nlohmann/json.hpp>
#include <optional>
#include <string_view>

namespace pindle {

// A JSON value as the document holds it: members stay in the order they were written (the order a
// script engine enumerates them in) and every number is a double, as in JavaScript. JavaScript's undefined
// is nlohmann's "discarded" value.
using Json = nlohmann::ordered_json;

// Objects and arrays nested deeper than this are refused, so that no recursive walk over a
// document (copy, text form, comparison) can exhaust the stack.
inline constexpr int kMaxJsonDepth = 512;

struct ParsedJson {
  Json value;
  int depth = 0;  // containers on the longest path down: 0 for a scalar, 1 for [] or {}
};

// JSON, any value at the top; invalid UTF-8 is read as U+FFFD rather than refused. A text that is
// not strict JSON is read once more as a JavaScript object literal (json_relaxed.h): comments,
// single quotes, bare member names, trailing commas, lone surrogate escapes.
// A member written twice keeps its first place and its last value. Nothing when the text is not
// JSON or nests deeper than kMaxJsonDepth.
std::optional<ParsedJson> ParseJsonText(std::string_view text);

// Whether brackets and braces outside strings nest deeper than kMaxJsonDepth somewhere in the
// text: why a text that may otherwise be JSON is refused.
bool NestsTooDeep(std::string_view text);

}  // namespace pindle
