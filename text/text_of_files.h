#pragma once
#include <vector>

#include "platform/types.h"

namespace pindle {

// The text files give the long-URL box, whether dropped on the window or named on its command
// line: the contents of all of them, in the order given, decoded as outside text (UTF-16 with a
// byte-order mark, UTF-8 or GBK) with LF line ends; a file that cannot be read adds nothing.
Text TextOfFiles(const std::vector<Text>& paths);

}  // namespace pindle
