#pragma once
#include <optional>
#include <vector>

#include "generate/generation_job.h"
#include "text/csv_reader.h"

namespace pindle {

// The headers a long-URL column goes by (the first found wins), and an alias column's: compared
// without regard to ASCII case, blanks, '_' and '-', so "Long URL", "long_url" and "longUrl" are
// one. They cover the exports of Shlink, Kutt and YOURLS.
const std::vector<Text>& LongUrlHeaders();
const std::vector<Text>& AliasHeaders();

// Where a CSV's header puts the long URL and the alias; -1: not there.
struct CsvColumns {
  int longUrl = -1;
  int alias = -1;
};
CsvColumns FindCsvColumns(const CsvRecord& header);

// Why a header without a long-URL column cannot make a batch, naming the headers looked for.
Text NoUrlColumnReason();

// The columns a batch's result adds to each record, in this order.
const std::vector<Text>& CsvResultHeaders();

// A record's fields in UTF-8, decided as for lines: UTF-8 stays, else GBK is converted; neither:
// none.
std::optional<CsvRecord> DecodeCsvRecord(CsvRecord record);

// A decoded record (none: it was unreadable) as the batch takes it.
JobLine CsvJobLine(const std::optional<CsvRecord>& record, const CsvColumns& columns);

// A record as a batch takes it and as its output gives it back: the fields in UTF-8 (a record
// that is neither UTF-8 nor GBK keeps its fields with the unreadable bytes marked, and its line
// is rejected), and the line the batch sends.
struct CsvRow {
  CsvRecord fields;
  JobLine line;
};
CsvRow ReadCsvRow(CsvRecord record, const CsvColumns& columns);

// A whole CSV text (a file the window opens) read as a batch takes it.
struct CsvTable {
  CsvRecord header;
  CsvColumns columns;
  std::vector<CsvRow> rows;
};
// None when the text has no header with a long-URL column: `problem` then says why.
std::optional<CsvTable> ReadCsvTable(std::string_view text, Text* problem);

// The table's lines as a box of lines holds them, each ended by a line break: the long URL, with
// "<TAB>ALIAS" when `withAlias` and the record asks for one. Line breaks and tabs inside a field
// become blanks, so line n stays record n.
Text CsvTableLines(const CsvTable& table, bool withAlias);

// The record as the output gives it back: every field as it came, short ones filled with empty
// fields to the header's width, then the result's columns.
CsvRecord CsvResultRecord(CsvRecord record, size_t headerWidth, const BatchLineResult& result);

}  // namespace pindle
