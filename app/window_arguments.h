#pragma once
#include <optional>
#include <vector>

#include "platform/types.h"

namespace pindle {

// What the window takes on its command line (a desktop entry passes the addresses and files a
// user opens with it): web addresses, files (a path or a file:// address) and the toolkit's own
// options such as "-platform offscreen".

// The first argument the window cannot take, or nothing when it takes them all.
std::optional<Text> UnusableWindowArgument(const std::vector<Text>& args);

// What the long-URL box is to hold: each address as a line and each file's text (read as a
// dropped file is), in the order given; the toolkit's options are skipped. None when there is
// neither (the box stays as it is).
std::optional<Text> LongUrlBoxText(const std::vector<Text>& args);

}  // namespace pindle
