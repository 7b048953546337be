#pragma once
#include <optional>
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Text saved as "Unicode" by Windows editors: UTF-16 with a byte-order mark (little- or
// big-endian). Returns the text as UTF-8 without the mark, or nothing when the bytes do not
// start with a UTF-16 mark. A lone surrogate or an odd last byte becomes U+FFFD.
std::optional<Text> DecodeUtf16WithMark(std::string_view bytes);

}  // namespace pindle
