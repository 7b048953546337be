#pragma once
#include <deque>
#include <memory>
#include <string_view>
#include <vector>

#include "platform/types.h"

struct csv_parser;

namespace pindle {

// One CSV record: its fields as written, quotes taken off.
using CsvRecord = std::vector<Text>;

// CSV (RFC 4180: quoted fields, separators and line breaks inside quotes, "" for a quote) read as
// it comes: bytes go in as they are read, whole records come out in order. Fields keep every
// byte, blanks around them included; an empty line holds no record. A UTF-8 byte-order mark at
// the start is dropped. The bytes are not decoded: a GBK field comes out in GBK.
// libcsv does the parsing: a maintained streaming parser that takes its input in pieces.
class CsvReader {
 public:
  CsvReader();
  ~CsvReader();
  CsvReader(const CsvReader&) = delete;
  CsvReader& operator=(const CsvReader&) = delete;

  void feed(std::string_view bytes);
  // The input has ended: a last record without a line end (or an open quote) is complete.
  void finish();
  bool hasRecord() const { return !records_.empty(); }
  // The first complete record not yet taken; hasRecord() said there is one.
  CsvRecord take();

  // Called by the parser.
  void addField(const char* bytes, size_t size);
  void endRecord();

 private:
  std::unique_ptr<csv_parser> parser_;
  bool started_ = false;
  bool finished_ = false;
  Text pending_;  // the first bytes, until it is known whether they begin with a byte-order mark
  CsvRecord fields_;
  std::deque<CsvRecord> records_;
};

// Every record of a whole CSV text.
std::vector<CsvRecord> ReadCsv(std::string_view text);

}  // namespace pindle
