#include "app/uploader_drop.h"

#include "app/app_paths.h"
#include "plugins/plugin_registry.h"
#include "plugins/sxcu_import.h"

namespace pindle {

std::vector<Text> ImportDroppedUploaders(Controls& ui, const std::vector<Text>& paths) {
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
  }
  if (written + refused == 0) return rest;
  if (written > 0) PluginRegistry::load(ui);
  // After the load, whose own count would otherwise have the last word in the status bar.
  ui.setStatusText("ShareX 上传器：导入 " + std::to_string(written) + " 个" +
                   (refused ? "，" + std::to_string(refused) + " 个没有导入" : Text()));
  ui.showNotice({.message = report, .timeoutMs = 15000});
  return rest;
}

}  // namespace pindle
