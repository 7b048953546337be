#pragma once
#include <vector>

#include "app/gui/actions/controls.h"

namespace pindle {

// Right-click on the result list: false (show no menu) when no row is selected; otherwise sets
// 复制网址 and 打开网址 enabled exactly when the row's short link is a link (web/link_check.h), and true.
bool PrepareResultMenu(Controls& ui);
void CopySelectedResult(Controls& ui);
void OpenSelectedResult(Controls& ui);
// Copies the selected row's link when 设定_双击复制 is checked; otherwise nothing.
void OnResultDoubleClick(Controls& ui);

// What the result list does with one link, for every list of links (the history too): the two
// actions with their status texts (whether they make sense is IsLink's to say).
void CopyLink(Controls& ui, const Text& link);
void OpenLink(Controls& ui, const Text& link);

// Files dropped on the window: the long-URL box gets their text (TextOfFiles), in drop order; a
// single .csv file gives its long-URL column (OpenCsvFile).
void OnFilesDropped(Controls& ui, const std::vector<Text>& paths);

}  // namespace pindle
