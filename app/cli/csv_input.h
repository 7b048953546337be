#pragma once
#include <map>
#include <optional>

#include "app/cli/input_lines.h"
#include "generate/csv_batch.h"
#include "text/csv_reader.h"

namespace pindle::cli {

// Standard input read as CSV, a record at a time as the batch takes them: the header first,
// then the records, each kept until its result is written.
class CsvInput {
 public:
  explicit CsvInput(std::istream& in) : lines_({}, in, /*keepLineEnds=*/true) {}
  // The header in UTF-8; none when the input holds no record or the header is neither UTF-8 nor GBK.
  std::optional<CsvRecord> header();
  // Record n (1-based after the header) as the batch takes it; none at the end. Asked in order.
  std::optional<JobLine> next(const CsvColumns& columns, int n);
  // Whether next() answers without waiting for the input.
  bool ready();
  // Record n as it came (in UTF-8), given out once, when its result is written.
  CsvRecord take(int n);

 private:
  std::optional<CsvRecord> read();

  InputLines lines_;
  CsvReader reader_;
  bool ended_ = false;
  std::map<int, CsvRecord> waiting_;  // records in flight, by number
};

}  // namespace pindle::cli
