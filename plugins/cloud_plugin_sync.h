#pragma once
#include "app/controls.h"

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

// Fetches the manifest and downloads every plug-in file it names into plugDir (each written
// atomically; a failed, empty or non-plug-in download leaves the local file as it was), then
// reloads the list and reports how many files came and how many failed.
void CloudPluginPull(Controls& ui);

// Re-downloads the selected plug-in from its own UpdateURL and replaces its file.
void UpdateSinglePlugin(Controls& ui);

// Whether a manifest element's file name may be written into Plug/: a plain name ending in
// ".json" (no separators, no query or fragment, not "." or "..").
bool IsPlainPluginFileName(const Text& name);

}  // namespace pindle
