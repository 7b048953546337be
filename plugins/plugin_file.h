#pragma once
#include <cstddef>

#include "platform/types.h"

namespace pindle {

// Plug-in files larger than this are not read: no plug-in comes near it, and a huge file must not
// stall the load or fill the memory.
inline constexpr std::size_t kPluginFileSizeLimit = 16u << 20;

// A plug-in file's text: read whole, cut at the first zero or 0x1A byte, decoded from code
// page 936 (or read as UTF-8 when it has a byte-order mark or is UTF-8 that is not plausible
// GBK). Empty when the file cannot be read or is larger than kPluginFileSizeLimit.
Text ReadPluginFileText(const Text& path);

// The same text together with the encoding it was read in: the texts of a UTF-8 file go out on
// the wire as UTF-8, as the file holds them.
struct PluginFileText {
  Text text;
  bool utf8 = false;
};
PluginFileText ReadPluginFile(const Text& path);

}  // namespace pindle
