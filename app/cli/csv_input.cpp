#include "app/cli/csv_input.h"

namespace pindle::cli {

std::optional<CsvRecord> CsvInput::read() {
  while (!reader_.hasRecord() && !ended_) {
    if (std::optional<Text> line = lines_.next()) {
      reader_.feed(*line);
    } else {
      reader_.finish();
      ended_ = true;
    }
  }
  if (!reader_.hasRecord()) return std::nullopt;
  return reader_.take();
}

std::optional<CsvRecord> CsvInput::header() {
  std::optional<CsvRecord> header = read();
  return header ? DecodeCsvRecord(std::move(*header)) : std::nullopt;
}

std::optional<JobLine> CsvInput::next(const CsvColumns& columns, int n) {
  std::optional<CsvRecord> record = read();
  if (!record) return std::nullopt;
  CsvRow row = ReadCsvRow(std::move(*record), columns);
  waiting_[n] = std::move(row.fields);
  return std::move(row.line);
}

bool CsvInput::ready() { return reader_.hasRecord() || ended_ || lines_.ready(); }

CsvRecord CsvInput::take(int n) {
  const auto it = waiting_.find(n);
  if (it == waiting_.end()) return {};
  CsvRecord record = std::move(it->second);
  waiting_.erase(it);
  return record;
}

}  // namespace pindle::cli
