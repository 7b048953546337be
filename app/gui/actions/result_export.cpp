#include "app/gui/actions/result_export.h"

#include "generate/batch_results.h"
#include "platform/files.h"

namespace pindle {

bool ExportResults(Controls& ui, const Text& path) {
  size_t rows = 0;
  const Text csv = ui.kept<BatchResults>().csv(&rows);
  if (rows == 0) {
    ui.setStatusText("没有可导出的结果");
    return false;
  }
  if (!WriteFileAtomically(path, csv)) {
    ui.setStatusText("导出结果失败：无法写入 " + path);
    return false;
  }
  ui.setStatusText("已导出 " + std::to_string(rows) + " 行结果到 " + path);
  return true;
}

}  // namespace pindle
