#include "text/csv_reader.h"

#include <gtest/gtest.h>

#include "text/csv_writer.h"

namespace pindle {
namespace {

TEST(CsvReader, RecordsAsWritten) {
  const struct {
    const char* name;
    std::string text;
    std::vector<CsvRecord> wanted;
  } cases[] = {
      {"plain, CR LF", "a,b\r\nc,d\r\n", {{"a", "b"}, {"c", "d"}}},
      {"no line end at the end", "a,b\nc", {{"a", "b"}, {"c"}}},
      {"quotes, a comma, \"\" and a line break inside",
       "\"x,y\",\"say \"\"hi\"\"\nthen\"\n",
       {{"x,y", "say \"hi\"\nthen"}}},
      {"blanks around fields are kept", " a , b \n", {{" a ", " b "}}},
      {"empty fields", ",,\n", {{"", "", ""}}},
      {"an empty line holds no record", "a\n\nb\n", {{"a"}, {"b"}}},
      {"a byte-order mark at the start", "\xEF\xBB\xBFurl\nu\n", {{"url"}, {"u"}}},
      {"only a byte-order mark", "\xEF\xBB\xBF", {}},
      {"an open quote ends with the input", "\"a,b", {{"a,b"}}},
      {"GBK bytes pass as they are", "\xD6\xD0,\xCE\xC4\n", {{"\xD6\xD0", "\xCE\xC4"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ReadCsv(c.text), c.wanted);
    // Fed a byte at a time, as a slow pipe gives it: the same records.
    CsvReader reader;
    for (const char byte : c.text) reader.feed(std::string_view(&byte, 1));
    reader.finish();
    std::vector<CsvRecord> pieces;
    while (reader.hasRecord()) pieces.push_back(reader.take());
    EXPECT_EQ(pieces, c.wanted);
  }
}

TEST(CsvWriter, FieldsReadBackAsTheyWere) {
  const CsvRecord record{"plain", "a,b", "say \"hi\"", "two\nlines", "", " blank ", "=1+1", "中文"};
  EXPECT_EQ(CsvLine({"a,b", "q\"", "x"}), "\"a,b\",\"q\"\"\",x\r\n");
  EXPECT_EQ(ReadCsv(CsvLine(record)), std::vector<CsvRecord>{record});
  EXPECT_EQ(GuardFormula("=1+1"), "'=1+1");
  EXPECT_EQ(GuardFormula("http://s/x"), "http://s/x");
}

}  // namespace
}  // namespace pindle
