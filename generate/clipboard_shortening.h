#pragma once
#include <optional>

#include "generate/batch_plan.h"
#include "generate/batch_runner.h"
#include "plugins/plugin_catalog.h"

namespace pindle {

// One pass over what the clipboard holds, whoever asked for it: the command line, the tray,
// the global shortcut, clipboard watching or another start handing its job to the window.

// The one http(s) address `text` is (blanks around it allowed: copying from a page often takes
// a line end); nothing when it is anything else.
std::optional<Text> SingleAddress(const Text& text);

// What one pass came to.
struct ClipboardShortening {
  bool ok = false;
  Text longUrl;         // the address taken from the clipboard; empty when there was none
  Text link;            // the short link, when ok
  Text problem;         // why there is no link, one line, when not ok
  Text historyProblem;  // set when the history could not take the pass
};

// Shortens the address `held` through `plugin` and records the pass in the history (when
// 记录历史 is on). Does not touch the clipboard. `inputs` gives the values stored for the plug-in's
// fields; it is asked only when there is an address and a plug-in to take it.
// `config`: the folders (the history file, the plug-in folder a message names) and whether the
// history is kept.
ClipboardShortening ShortenClipboardText(const Text& held, const BatchPlugin& plugin, const PluginInputsLookup& inputs,
                                         const Config& config);

// The plug-in for a clipboard pass: the enabled one of `catalog` named `name` (FindPluginName),
// or the first enabled one when `name` is empty. Empty name: none.
BatchPlugin ClipboardPlugin(const PluginCatalog& catalog, const Text& name);

}  // namespace pindle
