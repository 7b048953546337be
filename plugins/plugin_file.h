#pragma once
#include "platform/types.h"

namespace pindle {

// A plug-in file's text: read whole, cut at the first zero or 0x1A byte, decoded from code
// page 936 (or read as UTF-8 when it has a byte-order mark or is UTF-8 that is not plausible
// GBK). Empty when the file cannot be read.
Text ReadPluginFileText(const Text& path);

}  // namespace pindle
