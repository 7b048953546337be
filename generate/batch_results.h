#pragma once
#include <memory>
#include <mutex>
#include <vector>

#include "generate/csv_batch.h"
#include "generate/generation_job.h"

namespace pindle {

// What a batch gave, kept for writing out as a sheet (导出结果…): each line's result as it came
// and, when the lines were a CSV's records, that table. Any thread may add and read.
class BatchResults {
 public:
  // A new batch: no results yet; `table` when line n is the table's record n.
  void start(std::shared_ptr<const CsvTable> table);
  void add(const BatchLineResult& result);
  size_t size() const;
  // The results so far as CSV in UTF-8 with a byte-order mark (for spreadsheet programs): the
  // table's header and each record's fields, else a 长网址 column, then the result columns as
  // `pindle shorten --csv` writes them.
  // `rows`, when given, gets how many results the text holds.
  Text csv(size_t* rows = nullptr) const;

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const CsvTable> table_;
  std::vector<BatchLineResult> results_;
};

}  // namespace pindle
