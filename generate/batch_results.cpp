#include "generate/batch_results.h"

#include "text/csv_writer.h"

namespace pindle {

void BatchResults::start(std::shared_ptr<const CsvTable> table) {
  const std::lock_guard lock(mutex_);
  table_ = std::move(table);
  results_.clear();
}

void BatchResults::add(const BatchLineResult& result) {
  // What the sheet writes, no more: the plug-in's values and the earlier attempts stay behind.
  BatchLineResult kept;
  kept.line = result.line;
  kept.longUrl = result.longUrl;
  kept.result = result.result;
  kept.plugin.name = result.plugin.name;
  kept.reason = result.reason;
  kept.failure = result.failure;
  kept.outcome = result.outcome;
  const std::lock_guard lock(mutex_);
  results_.push_back(std::move(kept));
}

size_t BatchResults::size() const {
  const std::lock_guard lock(mutex_);
  return results_.size();
}

Text BatchResults::csv(size_t* rows) const {
  const std::lock_guard lock(mutex_);
  if (rows) *rows = results_.size();
  CsvRecord header = table_ ? table_->header : CsvRecord{"长网址"};
  const size_t width = header.size();
  header.insert(header.end(), CsvResultHeaders().begin(), CsvResultHeaders().end());
  Text text = kUtf8Bom + CsvLine(header);
  for (const BatchLineResult& result : results_) {
    const size_t index = static_cast<size_t>(result.line - 1);
    CsvRecord record;
    if (!table_)
      record = {result.longUrl};
    else if (index < table_->rows.size())
      record = table_->rows[index].fields;
    text += CsvLine(CsvResultRecord(std::move(record), width, result));
  }
  return text;
}

}  // namespace pindle
