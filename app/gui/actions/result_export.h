#pragma once
#include "app/gui/actions/controls.h"

namespace pindle {

// 导出结果…: the rows of the last batch as CSV in UTF-8 with a byte-order mark (BatchResults), the
// CSV file's own columns first when the batch came from one, into `path`, written whole or not at
// all. The status bar says how many rows, or why none.
bool ExportResults(Controls& ui, const Text& path);

}  // namespace pindle
