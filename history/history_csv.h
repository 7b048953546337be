#pragma once
#include <vector>

#include "history/history_store.h"

namespace pindle {

// The entries as CSV (RFC 4180: CR LF line ends, quotes where needed) with a header line and a
// UTF-8 byte-order mark, so spreadsheet programs read the Chinese text right. A cell that a
// spreadsheet would take for a formula (=, +, -, @ first) gets a leading apostrophe.
Text HistoryToCsv(const std::vector<HistoryEntry>& entries);

}  // namespace pindle
