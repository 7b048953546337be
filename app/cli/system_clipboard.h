#pragma once
#include <functional>
#include <optional>

#include "generate/clipboard_shortening.h"
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
  // Hands the whole pass to the window running on the same settings, which reads the
  // clipboard, shortens with `plugin` (empty: its own choice) and puts the link back; nothing
  // when no window runs.
  std::function<std::optional<ClipboardShortening>(const Text& plugin)> handToWindow;
  // A desktop notification about the pass.
  std::function<void(const Text& summary, const Text& body)> notify;
};

void SetSystemClipboard(SystemClipboard clipboard);
const SystemClipboard& TheSystemClipboard();

}  // namespace pindle::cli
