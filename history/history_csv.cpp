#include "history/history_csv.h"

#include "text/csv_writer.h"

namespace pindle {

Text HistoryToCsv(const std::vector<HistoryEntry>& entries) {
  Text csv = Text(kUtf8Bom) + "时间,接口,长网址,短网址,失败原因\r\n";
  for (const HistoryEntry& e : entries) {
    csv += CsvLine({GuardFormula(FormatHistoryTime(e.unixTime)), GuardFormula(e.plugin), GuardFormula(e.longUrl),
                    GuardFormula(e.result), GuardFormula(e.failure)});
  }
  return csv;
}

}  // namespace pindle
