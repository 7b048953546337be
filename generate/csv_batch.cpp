#include "generate/csv_batch.h"

#include <algorithm>

#include "generate/batch_plan.h"
#include "platform/codepage.h"
#include "text/control_characters.h"
#include "text/csv_writer.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

// A header as headers are compared: ASCII lower case, without blanks, '_' and '-'.
Text HeaderKey(const Text& header) {
  Text key;
  for (const char c : ToLowerAscii(Trim(header)))
    if (c != ' ' && c != '\t' && c != '_' && c != '-') key += c;
  return key;
}

int FindColumn(const CsvRecord& header, const std::vector<Text>& names) {
  for (const Text& name : names) {
    const Text wanted = HeaderKey(name);
    for (size_t i = 0; i < header.size(); ++i)
      if (HeaderKey(header[i]) == wanted) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

const std::vector<Text>& LongUrlHeaders() {
  static const std::vector<Text> names{"Long URL", "long_url",    "longUrl",      "url",
                                       "target",   "destination", "original_url", "长网址"};
  return names;
}

const std::vector<Text>& AliasHeaders() {
  static const std::vector<Text> names{"Short code", "short_code", "alias", "keyword", "customurl", "custom", "后缀"};
  return names;
}

CsvColumns FindCsvColumns(const CsvRecord& header) {
  return {FindColumn(header, LongUrlHeaders()), FindColumn(header, AliasHeaders())};
}

Text NoUrlColumnReason() {
  return "CSV 的第一行（表头）里没有长网址列；找的是：" + Join(LongUrlHeaders(), "、") +
         "（不分大小写，不计空格、_ 和 -）";
}

const std::vector<Text>& CsvResultHeaders() {
  static const std::vector<Text> names{"短网址", "插件", "失败原因"};
  return names;
}

std::optional<CsvRecord> DecodeCsvRecord(CsvRecord record) {
  const bool utf8 = std::all_of(record.begin(), record.end(), [](const Text& f) { return IsWellFormedUtf8(f); });
  if (utf8) return record;
  if (!std::all_of(record.begin(), record.end(), [](const Text& f) { return IsWellFormedGbk(f); })) return std::nullopt;
  for (Text& field : record) field = GbkToUtf8Text(field);
  return record;
}

JobLine CsvJobLine(const std::optional<CsvRecord>& record, const CsvColumns& columns) {
  JobLine line;
  if (!record) {
    line.rejected = kUnreadableLine;
    line.rejectedKind = FailureKind::Unreadable;
    return line;
  }
  const auto field = [&](int column) {
    return column >= 0 && static_cast<size_t>(column) < record->size() ? (*record)[static_cast<size_t>(column)]
                                                                       : Text();
  };
  line.longUrl = field(columns.longUrl);
  line.alias = Trim(field(columns.alias));  // blanks around an alias are never part of it
  return line;
}

CsvRow ReadCsvRow(CsvRecord record, const CsvColumns& columns) {
  std::optional<CsvRecord> decoded = DecodeCsvRecord(record);
  CsvRow row;
  row.line = CsvJobLine(decoded, columns);
  if (decoded) {
    row.fields = std::move(*decoded);
  } else {
    // Written back as UTF-8 all the same, what cannot be read marked as such.
    for (Text& field : record) field = SanitizeUtf8(field);
    row.fields = std::move(record);
  }
  return row;
}

std::optional<CsvTable> ReadCsvTable(std::string_view text, Text* problem) {
  std::vector<CsvRecord> records = ReadCsv(text);
  CsvTable table;
  std::optional<CsvRecord> header = records.empty() ? std::nullopt : DecodeCsvRecord(std::move(records.front()));
  if (header) table.header = std::move(*header);
  table.columns = FindCsvColumns(table.header);
  if (table.columns.longUrl < 0) {
    if (problem) *problem = NoUrlColumnReason();
    return std::nullopt;
  }
  table.rows.reserve(records.size() - 1);
  for (size_t i = 1; i < records.size(); ++i) table.rows.push_back(ReadCsvRow(std::move(records[i]), table.columns));
  return table;
}

Text CsvTableLines(const CsvTable& table, bool withAlias) {
  const auto oneLine = [](Text field) {
    for (char& c : field)
      if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return field;
  };
  Text lines;
  for (const CsvRow& row : table.rows) {
    // An unreadable record still takes its line: it is sent as marked and fails there.
    const Text url = row.line.rejected.empty() ? row.line.longUrl
                     : table.columns.longUrl < static_cast<int>(row.fields.size())
                         ? row.fields[static_cast<size_t>(table.columns.longUrl)]
                         : Text();
    lines += oneLine(url);
    if (withAlias && !row.line.alias.empty()) lines += '\t' + oneLine(row.line.alias);
    lines += '\n';
  }
  return lines;
}

CsvRecord CsvResultRecord(CsvRecord record, size_t headerWidth, const BatchLineResult& result) {
  if (record.size() < headerWidth) record.resize(headerWidth);
  // What a service sent never splits the line nor becomes a spreadsheet formula.
  record.push_back(result.linked() ? GuardFormula(EscapeControlCharacters(result.result)) : Text());
  record.push_back(result.plugin.name);
  record.push_back(GuardFormula(EscapeControlCharacters(result.reason)));
  return record;
}

}  // namespace pindle
