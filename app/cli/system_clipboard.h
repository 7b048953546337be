#pragma once
#include <functional>
#include <optional>

#include "platform/types.h"

namespace pindle::cli {

// The desktop's clipboard as the command line reaches it. The program plugs in the window
// toolkit's, so that the command line itself links no display library; without one plugged in
// there is no clipboard.
struct SystemClipboard {
  // The clipboard's text (empty when it holds none), or nothing with `problem` set when no
  // display can be reached.
  std::function<std::optional<Text>(Text& problem)> read;
  // Puts `text` on the clipboard so that it stays there after this process has ended.
  std::function<bool(const Text& text, Text& problem)> keep;
};

void SetSystemClipboard(SystemClipboard clipboard);
const SystemClipboard& TheSystemClipboard();

}  // namespace pindle::cli
