#include "text/csv_reader.h"

#include <csv.h>

namespace pindle {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

void OnField(void* bytes, size_t size, void* reader) {
  static_cast<CsvReader*>(reader)->addField(static_cast<const char*>(bytes), size);
}
void OnRecord(int, void* reader) { static_cast<CsvReader*>(reader)->endRecord(); }
// No byte counts as a blank to trim: a field keeps what the file holds.
int NoBlanks(unsigned char) { return 0; }

}  // namespace

CsvReader::CsvReader() : parser_(std::make_unique<csv_parser>()) {
  csv_init(parser_.get(), 0);
  csv_set_space_func(parser_.get(), NoBlanks);
}

CsvReader::~CsvReader() { csv_free(parser_.get()); }

void CsvReader::feed(std::string_view bytes) {
  if (finished_) return;
  if (!started_) {
    pending_.append(bytes);
    if (pending_.size() < kBom.size() && kBom.starts_with(pending_)) return;
    started_ = true;
    const std::string_view first = pending_;
    const std::string_view rest = first.starts_with(kBom) ? first.substr(kBom.size()) : first;
    csv_parse(parser_.get(), rest.data(), rest.size(), OnField, OnRecord, this);
    pending_.clear();
    return;
  }
  csv_parse(parser_.get(), bytes.data(), bytes.size(), OnField, OnRecord, this);
}

void CsvReader::finish() {
  if (finished_) return;
  if (!started_) {
    started_ = true;
    if (!Text(kBom).starts_with(pending_))
      csv_parse(parser_.get(), pending_.data(), pending_.size(), OnField, OnRecord, this);
  }
  finished_ = true;
  csv_fini(parser_.get(), OnField, OnRecord, this);
}

CsvRecord CsvReader::take() {
  CsvRecord record = std::move(records_.front());
  records_.pop_front();
  return record;
}

void CsvReader::addField(const char* bytes, size_t size) { fields_.emplace_back(bytes ? bytes : "", bytes ? size : 0); }

void CsvReader::endRecord() { records_.push_back(std::move(fields_)), fields_.clear(); }

std::vector<CsvRecord> ReadCsv(std::string_view text) {
  CsvReader reader;
  reader.feed(text);
  reader.finish();
  std::vector<CsvRecord> records;
  while (reader.hasRecord()) records.push_back(reader.take());
  return records;
}

}  // namespace pindle
