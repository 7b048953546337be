#pragma once
#include <cstddef>
#include <optional>
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Why a text is not JSON: the parser's message and the byte (1-based) where it gave up.
struct JsonSyntaxError {
  Text message;
  std::size_t byte = 0;
};

// Nothing when the text is strict JSON. Builds no value, so it costs little on large answers.
std::optional<JsonSyntaxError> FindJsonSyntaxError(std::string_view text);

}  // namespace pindle
