#include "app/gui/actions/uploader_drop.h"

#include "app/gui/actions/plugin_registry.h"
#include "config/app_paths.h"
#include "platform/background.h"
#include "plugins/sxcu_import.h"
#include "secrets/imported_secrets.h"

namespace pindle {

std::vector<Text> ImportDroppedUploaders(Controls& ui, const std::vector<Text>& paths, Workers& workers) {
  std::vector<Text> rest;
  Text report;
  int written = 0, refused = 0;
  for (const Text& path : paths) {
    if (!IsSxcuPath(path)) {
      rest.push_back(path);
      continue;
    }
    const SxcuImport result = ImportSxcuFile(path, Paths().plugDir, /*force=*/false);
    ++(result.ok() ? written : refused);
    report += (report.empty() ? "" : "\r\n") + DescribeImport(result);
    if (const Text stored = StoreImportedSecrets(result, /*plain=*/false, Paths().deployDir); !stored.empty())
      report += "\r\n" + stored;
  }
  if (written + refused == 0) return rest;
  // A drop arrives on the window thread, which must not wait for a load that may be running (that
  // load waits for the window thread to show its status): the reload and the report go to a
  // thread of their own.
  workers.start([&ui, written, refused, report](std::stop_token) {
    if (written > 0) PluginRegistry::load(ui);
    // After the load, whose own count would otherwise have the last word in the status bar.
    ui.setStatusText("ShareX 上传器：导入 " + std::to_string(written) + " 个" +
                     (refused ? "，" + std::to_string(refused) + " 个没有导入" : Text()));
    ui.showNotice({.message = report, .timeoutMs = 15000});
  });
  return rest;
}

}  // namespace pindle
