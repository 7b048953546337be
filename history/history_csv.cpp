#include "history/history_csv.h"

namespace pindle {
namespace {

Text Cell(Text text) {
  if (!text.empty() && (text[0] == '=' || text[0] == '+' || text[0] == '-' || text[0] == '@')) text.insert(0, "'");
  if (text.find_first_of(",\"\r\n") == Text::npos) return text;
  Text quoted = "\"";
  for (const char c : text) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

}  // namespace

Text HistoryToCsv(const std::vector<HistoryEntry>& entries) {
  Text csv = "\xEF\xBB\xBF时间,接口,长网址,短网址,失败原因\r\n";
  for (const HistoryEntry& e : entries) {
    csv += Cell(FormatHistoryTime(e.unixTime)) + ',' + Cell(e.plugin) + ',' + Cell(e.longUrl) + ',' + Cell(e.result) +
           ',' + Cell(e.failure) + "\r\n";
  }
  return csv;
}

}  // namespace pindle
