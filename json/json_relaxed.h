#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace pindle {

// Plug-in files and answers written for a JavaScript engine may use what an object literal allows
// and JSON does not. This rewrites such a text into strict JSON, without evaluating anything:
// - `//` and `/* */` comments are dropped;
// - strings in single quotes become JSON strings; inside any string `\'`, `\xHH`, `\v`, `\0` and a
//   backslash before any other character read as JavaScript reads them, a backslash before a line
//   break continues the line, and raw control characters are escaped;
// - a lone surrogate escape (`\ud83d` without its partner) becomes U+FFFD;
// - a bare name or a run of digits in front of a colon becomes a quoted member name;
// - a comma in front of a closing `}` or `]` is dropped;
// - a byte-order mark, vertical tab, form feed and no-break space count as blanks.
// Everything else (numbers, literals, structure) is passed on as written, so the JSON parser
// still refuses what is not a value. Nothing when a string or comment is left open.
std::optional<std::string> RelaxedToStrictJson(std::string_view text);

}  // namespace pindle
