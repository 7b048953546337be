#include "app/gui/actions/result_actions.h"

#include "app/gui/actions/csv_box.h"
#include "platform/shell_open.h"
#include "text/text_of_files.h"
#include "text/text_utils.h"
#include "web/link_check.h"

namespace pindle {
namespace {
constexpr int kShortUrlColumn = 1;
}

bool PrepareResultMenu(Controls& ui) {
  auto& list = ui.resultList();
  const int row = list.selectedRow();
  if (row < 0) return false;
  const bool usable = IsLink(list.cell(row, kShortUrlColumn));
  ui.menuItem(MenuItem::CopyUrl).setEnabled(usable);
  ui.menuItem(MenuItem::OpenUrl).setEnabled(usable);
  return true;
}

void CopySelectedResult(Controls& ui) {
  const int row = ui.resultList().selectedRow();
  if (row < 0) return;
  CopyLink(ui, ui.resultList().cell(row, kShortUrlColumn));
}

void OpenSelectedResult(Controls& ui) {
  const int row = ui.resultList().selectedRow();
  if (row < 0) return;
  OpenLink(ui, ui.resultList().cell(row, kShortUrlColumn));
}

void OnResultDoubleClick(Controls& ui) {
  if (ui.resultList().selectedRow() < 0 || !ui.settingBox(SettingBox::DoubleClickCopy).isChecked()) return;
  CopySelectedResult(ui);
}

void CopyLink(Controls& ui, const Text& link) {
  ui.setClipboardText(link);
  ui.setStatusText("网址已复制到剪辑板");
}

void OpenLink(Controls& ui, const Text& link) {
  ShellOpen(link);
  ui.setStatusText("已打开短网址");
}

void OnFilesDropped(Controls& ui, const std::vector<Text>& paths) {
  // A sheet alone gives its long-URL column, as 打开 CSV… does.
  if (paths.size() == 1 && ToLowerAscii(paths.front()).ends_with(".csv")) {
    OpenCsvFile(ui, paths.front());
    return;
  }
  ui.longUrlBox().setText(TextOfFiles(paths));
}

}  // namespace pindle
