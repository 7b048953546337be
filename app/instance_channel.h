#pragma once
#include <nlohmann/json.hpp>
#include <optional>

#include "generate/clipboard_shortening.h"
#include "platform/types.h"

namespace pindle {

// One window per settings file: a later start hands its work to the window that runs, over a
// local socket named after the settings file. Requests and answers are one JSON object per line.
//   {"request":"open","arguments":[…],"activation":"…"}  → {"ok":true}
//   {"request":"shorten-clipboard","plugin":"…"}          → {"ok":…,"link":…,"longUrl":…,"problem":…}

// The socket of the window that uses `settingsFile`: in XDG_RUNTIME_DIR, else in a folder of
// this user's own under /tmp (created when missing; empty when it is not ours).
Text InstanceSocketPath(const Text& settingsFile);

// Sends `request` to the window listening on `socketPath` and waits up to `timeoutMs` for its
// answer. Nothing when no window listens there (no socket, or one left by a killed process) or
// it does not answer.
std::optional<nlohmann::json> AskRunningWindow(const Text& socketPath, const nlohmann::json& request, int timeoutMs);

// Hands a start's arguments to the window running on `socketPath`, which takes them and comes
// to the front; false when none runs there.
bool OpenInRunningWindow(const Text& socketPath, const std::vector<Text>& arguments);

// `pindle shorten --clipboard` handed to the window running on the program's settings;
// nothing when none runs.
std::optional<ClipboardShortening> HandClipboardPassToWindow(const Text& plugin);

// The window's arguments as the running window can take them: relative file names made
// absolute against this process's working folder.
std::vector<Text> ArgumentsForRunningWindow(const std::vector<Text>& arguments);

}  // namespace pindle
