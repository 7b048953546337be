#include "app/result_actions.h"

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/shell_open.h"
#include "platform/utf16_text.h"
#include "web/link_check.h"

namespace pindle {
namespace {
constexpr int kShortUrlColumn = 1;
}

bool PrepareResultMenu(Controls& ui) {
  auto& list = ui.resultList();
  const int row = list.selectedRow();
  if (row < 0) return false;
  const bool usable = IsUsableLink(list.cell(row, kShortUrlColumn));
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

bool IsUsableLink(const Text& link) { return IsLink(link); }

void CopyLink(Controls& ui, const Text& link) {
  ui.setClipboardText(link);
  ui.setStatusText("网址已复制到剪辑板");
}

void OpenLink(Controls& ui, const Text& link) {
  ShellOpen(link);
  ui.setStatusText("已打开短网址");
}

void OnFilesDropped(Controls& ui, const std::vector<Text>& paths) { ui.longUrlBox().setText(TextOfFiles(paths)); }

Text TextOfFiles(const std::vector<Text>& paths) {
  Text all;
  for (const Text& path : paths) {
    const auto bytes = ReadWholeFile(path, 64u << 20);
    if (!bytes) continue;
    // The box holds LF line ends; files from Windows bring CR LF.
    Text text;
    // Notepad's "Unicode" is UTF-16 with a mark; anything else is UTF-8 or GBK.
    const auto utf16 = DecodeUtf16WithMark(*bytes);
    const Text decoded = utf16 ? *utf16 : DecodeLocalText(*bytes);
    text.reserve(decoded.size());
    for (size_t i = 0; i < decoded.size(); ++i) {
      if (decoded[i] == '\r') {
        if (i + 1 < decoded.size() && decoded[i + 1] == '\n') continue;
        text.push_back('\n');
      } else {
        text.push_back(decoded[i]);
      }
    }
    // One file's last line and the next file's first line must not run together.
    if (!all.empty() && all.back() != '\n') all.push_back('\n');
    all += text;
  }
  return all;
}

}  // namespace pindle
