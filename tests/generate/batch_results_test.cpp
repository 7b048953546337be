#include "generate/batch_results.h"

#include <gtest/gtest.h>

#include "text/csv_writer.h"

namespace pindle {
namespace {

BatchLineResult Result(int line, const Text& longUrl, const Text& link, const Text& reason) {
  BatchLineResult r;
  r.line = line;
  r.longUrl = longUrl;
  r.result = link;
  r.reason = reason;
  r.outcome = reason.empty() ? LineOutcome::Link : LineOutcome::Failed;
  r.plugin.name = "S";
  return r;
}

TEST(BatchResults, WrittenAsASheetWithTheTablesColumnsWhenThereIsOne) {
  const std::optional<CsvTable> table =
      ReadCsvTable("Title,url\r\n\"a, b\",http://127.0.0.1/1\r\nshort\r\nc,http://127.0.0.1/3\r\n", nullptr);
  const struct {
    const char* name;
    std::shared_ptr<const CsvTable> table;
    const char* wanted;
  } cases[] = {
      {"lines typed in", nullptr,
       "长网址,短网址,插件,失败原因\r\nhttp://127.0.0.1/1,http://s/1,S,\r\nhttp://127.0.0.1/2,,S,HTTP 500\r\n"
       "http://127.0.0.1/3,http://s/3,S,\r\n"},
      {"a CSV file's records", std::make_shared<const CsvTable>(*table),
       "Title,url,短网址,插件,失败原因\r\n\"a, b\",http://127.0.0.1/1,http://s/1,S,\r\nshort,,,S,HTTP 500\r\n"
       "c,http://127.0.0.1/3,http://s/3,S,\r\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BatchResults results;
    results.add(Result(9, "http://127.0.0.1/old", "http://s/old", ""));
    results.start(c.table);  // a new batch forgets the last one
    results.add(Result(1, "http://127.0.0.1/1", "http://s/1", ""));
    results.add(Result(2, "http://127.0.0.1/2", "<html>", "HTTP 500"));
    results.add(Result(3, "http://127.0.0.1/3", "http://s/3", ""));
    size_t rows = 0;
    EXPECT_EQ(results.csv(&rows), kUtf8Bom + Text(c.wanted));
    EXPECT_EQ(rows, 3u);
  }
}

}  // namespace
}  // namespace pindle
