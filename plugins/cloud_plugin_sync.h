#pragma once
#include "platform/controls.h"

namespace pindle {

// Brings plug-in files from the network into Plug/.
class CloudPluginSync {
 public:
  // The address of the cloud plug-in list: "插件更新" in "软件设定", or the built-in address
  // when the key is absent.
  static Text pluginListAddress();
  // The body of the last manifest fetched.
  static Text pluginListText();
};

struct PullReport {
  int downloaded = 0;
  int failed = 0;
  Text problem;  // why the manifest itself could not be used; empty when it could
  bool ok() const { return failed == 0 && problem.empty(); }
};

// Fetches the manifest and downloads every plug-in file it names into plugDir (each written
// atomically; a failed, empty or non-plug-in download leaves the local file as it was), then
// reloads the list and reports how many files came and how many failed.
PullReport CloudPluginPull(Controls& ui);

// Re-downloads the selected plug-in from its own UpdateURL and replaces its file.
void UpdateSinglePlugin(Controls& ui);

// Whether a manifest element's file name may be written into Plug/: a plain name ending in
// ".json" (no separators, no query or fragment, not "." or "..").
bool IsPlainPluginFileName(const Text& name);

}  // namespace pindle
