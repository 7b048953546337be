#pragma once
#include <memory>
#include <mutex>

#include "app/gui/actions/controls.h"
#include "generate/csv_batch.h"

namespace pindle {

// The CSV file whose long URLs the box holds (打开 CSV…, a dropped .csv file), so that a batch of
// exactly those lines keeps the file's columns (BatchResults). Any thread may ask.
class CsvInBox {
 public:
  void set(std::shared_ptr<const CsvTable> table);
  // The table whose lines (with or without aliases) `boxText` is; none for any other text.
  std::shared_ptr<const CsvTable> tableOf(const Text& boxText) const;
  // The table's lines as a plug-in that does (or does not) take an alias gets them, when
  // `boxText` is the table's lines; none otherwise.
  std::optional<Text> linesFor(const Text& boxText, bool takesAlias) const;

 private:
  mutable std::mutex mutex_;
  std::shared_ptr<const CsvTable> table_;
  Text withAlias_, withoutAlias_;
};

// 打开 CSV… and a dropped .csv file: the box gets the file's long URLs, one a line ("URL<TAB>ALIAS"
// where the plug-in chosen on the 生成 page takes an alias and the record asks for one). A file
// that cannot be read or has no long-URL column leaves the box as it is; the status bar says why.
void OpenCsvFile(Controls& ui, const Text& path);

// Another plug-in was chosen: a box still holding a CSV's lines gets them as that plug-in takes
// them (with the aliases or without).
void OnPluginChosen(Controls& ui);

}  // namespace pindle
