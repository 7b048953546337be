#pragma once
#include <stop_token>

#include "config/config.h"

namespace pindle {

// Brings plug-in files from the network into Plug/.
class CloudPluginSync {
 public:
  // PluginListAddressSetting.
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

struct PullOptions {
  Text listAddress;  // the manifest: a JSON array of plug-in file addresses
  Text plugDir;
  bool verifyTls = true;
  std::stop_token stop;  // asked: no further file is fetched
};

// Fetches the manifest and downloads every plug-in file it names into plugDir (each written
// atomically; a failed, empty or non-plug-in download leaves the local file as it was) and
// reports how many files came and how many failed. One pull at a time.
PullReport PullPlugins(const PullOptions& options);
// What the status bar says after a pull that left `loaded` plug-ins in the folder.
Text PullStatusText(size_t loaded, const PullReport& report);

// What a single plug-in update came to: the status text says it either way.
struct PluginUpdateReport {
  bool ok = false;
  Text status;  // "更新插件完成！" or "更新插件失败：<why>"
};
// Re-downloads the plug-in file `path` from its own UpdateURL and replaces it (atomically; a
// failed, empty or non-plug-in download leaves it as it was).
PluginUpdateReport UpdatePluginFile(const Text& path, bool verifyTls);

// Whether a manifest element's file name may be written into Plug/: a plain name ending in
// ".json" (no separators, no query or fragment, not "." or "..").
bool IsPlainPluginFileName(const Text& name);

}  // namespace pindle
