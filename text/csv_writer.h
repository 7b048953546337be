#pragma once
#include <vector>

#include "platform/types.h"

namespace pindle {

// A field as CSV writes it (RFC 4180): quoted, with "" for each quote, when it holds a comma, a
// quote or a line break; as it is otherwise.
Text CsvField(const Text& text);
// A cell that a spreadsheet would take for a formula (=, +, -, @ first) with a leading
// apostrophe: for text the program writes from elsewhere (a service's answer), never for the
// user's own fields.
Text GuardFormula(Text text);
// The fields as one CSV line, CR LF at its end.
Text CsvLine(const std::vector<Text>& fields);

inline constexpr const char* kUtf8Bom = "\xEF\xBB\xBF";

}  // namespace pindle
