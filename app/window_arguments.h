#pragma once
#include <optional>
#include <vector>

#include "platform/controls.h"

namespace pindle {

// What the window takes on its command line (a desktop entry passes the addresses and files a
// user opens with it): web addresses, files (a path or a file:// address) and the toolkit's own
// options such as "-platform offscreen".

// The first argument the window cannot take, or nothing when it takes them all.
std::optional<Text> UnusableWindowArgument(const std::vector<Text>& args);

// Each address as a line of the long-URL box and each file's text (read as a dropped file is),
// in the order given; the toolkit's options are skipped. Leaves the box alone when there is
// neither.
void PutArgumentsInLongUrlBox(Controls& ui, const std::vector<Text>& args);

}  // namespace pindle
