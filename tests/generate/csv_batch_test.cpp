#include "generate/csv_batch.h"

#include <gtest/gtest.h>

#include "generate/batch_plan.h"
#include "platform/codepage.h"

namespace pindle {
namespace {

TEST(CsvBatch, ColumnsFoundByTheirHeaders) {
  const struct {
    CsvRecord header;
    int longUrl;
    int alias;
  } cases[] = {
      {{"Long URL", "Tags", "Domain", "Short code", "Title"}, 0, 3},  // Shlink's export
      {{"url"}, 0, -1},
      {{"title", "LONG_URL", "keyword"}, 1, 2},
      {{"longUrl", "short-code"}, 0, 1},
      {{" Original URL ", "CustomURL"}, 0, 1},
      {{"Destination", "后缀"}, 0, 1},
      {{"名称", "长网址"}, 1, -1},
      {{"target", "custom"}, 0, 1},
      {{"link", "alias"}, -1, 1},
      {{}, -1, -1},
      // The first of the known names wins, wherever it stands.
      {{"url", "Long URL"}, 1, -1},
  };
  for (const auto& c : cases) {
    const CsvColumns found = FindCsvColumns(c.header);
    EXPECT_EQ(found.longUrl, c.longUrl) << ::testing::PrintToString(c.header);
    EXPECT_EQ(found.alias, c.alias) << ::testing::PrintToString(c.header);
  }
  for (const char* looked : {"Long URL", "url", "target", "长网址"})
    EXPECT_NE(NoUrlColumnReason().find(looked), Text::npos) << looked;
}

TEST(CsvBatch, RecordsAsTheBatchTakesThem) {
  const CsvColumns columns{1, 2};
  const struct {
    const char* name;
    CsvRecord record;
    JobLine wanted;
  } cases[] = {
      {"URL and alias", {"t", "http://127.0.0.1/a", " x "}, {"http://127.0.0.1/a", "x", ""}},
      {"GBK", {Utf8ToGbk("标题"), Utf8ToGbk("http://127.0.0.1/中")}, {"http://127.0.0.1/中", "", ""}},
      {"short record", {"t"}, {"", "", ""}},
      {"neither UTF-8 nor GBK", {"\xFF\xFF", "http://127.0.0.1/a"}, {"", "", kUnreadableLine}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const JobLine line = CsvJobLine(DecodeCsvRecord(c.record), columns);
    EXPECT_EQ(line.longUrl, c.wanted.longUrl);
    EXPECT_EQ(line.alias, c.wanted.alias);
    EXPECT_EQ(line.rejected, c.wanted.rejected);
  }
  EXPECT_EQ(DecodeCsvRecord({Utf8ToGbk("标题"), "ok"}), (CsvRecord{"标题", "ok"}));
}

TEST(CsvBatch, ResultColumnsFollowTheRecord) {
  BatchLineResult link;
  link.outcome = LineOutcome::Link;
  link.result = "http://s/1";
  link.plugin.name = "S";
  BatchLineResult failed;
  failed.outcome = LineOutcome::Failed;
  failed.result = "=cmd|' /C calc'!A0";
  failed.reason = "-1 错误\n第二行";
  failed.plugin.name = "S";
  EXPECT_EQ(CsvResultRecord({"a", "b"}, 2, link), (CsvRecord{"a", "b", "http://s/1", "S", ""}));
  // Short records are filled to the header's width; what the service sent is no formula and no
  // line break, and a failed line shows no link.
  EXPECT_EQ(CsvResultRecord({"a"}, 3, failed), (CsvRecord{"a", "", "", "", "S", "'-1 错误\\n第二行"}));
  EXPECT_EQ(CsvResultRecord({"a", "b", "c"}, 2, link).size(), 6u);  // nothing dropped
}

// A file the window opens: its header, the box's lines with and without aliases, one line a record.
TEST(CsvBatch, TableGivesTheBoxOneLineARecord) {
  const struct {
    const char* name;
    std::string text;
    const char* withAlias;  // nullptr: no table
    const char* withoutAlias;
  } cases[] = {
      {"Shlink's layout",
       "\xEF\xBB\xBFLong URL,Tags,Short code,Title\r\nhttp://127.0.0.1/a,\"x,y\",mine,\"two\nlines\"\r\n"
       "http://127.0.0.1/中,,,t\r\n",
       "http://127.0.0.1/a\tmine\nhttp://127.0.0.1/中\n", "http://127.0.0.1/a\nhttp://127.0.0.1/中\n"},
      // A break or a tab inside the URL field must not make a second line or an alias.
      {"breaks inside the field", "url\n\"http://127.0.0.1/a\nb\tc\"\n", "http://127.0.0.1/a b c\n",
       "http://127.0.0.1/a b c\n"},
      {"GBK and unreadable records", Utf8ToGbk("长网址\nhttp://127.0.0.1/中\n") + "http://127.0.0.1/\xFF\xFF\n",
       "http://127.0.0.1/中\nhttp://127.0.0.1/\xEF\xBF\xBD\xEF\xBF\xBD\n",
       "http://127.0.0.1/中\nhttp://127.0.0.1/\xEF\xBF\xBD\xEF\xBF\xBD\n"},
      {"header only", "url\r\n", "", ""},
      {"no URL column", "link,alias\nhttp://127.0.0.1/a,b\n", nullptr, nullptr},
      {"empty file", "", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Text problem;
    const std::optional<CsvTable> table = ReadCsvTable(c.text, &problem);
    ASSERT_EQ(table.has_value(), c.withAlias != nullptr);
    if (!table) {
      EXPECT_EQ(problem, NoUrlColumnReason());
      continue;
    }
    EXPECT_EQ(CsvTableLines(*table, true), c.withAlias);
    EXPECT_EQ(CsvTableLines(*table, false), c.withoutAlias);
  }
  const std::optional<CsvTable> shlink = ReadCsvTable(cases[0].text, nullptr);
  EXPECT_EQ(shlink->header, (CsvRecord{"Long URL", "Tags", "Short code", "Title"}));
  EXPECT_EQ(shlink->rows[0].fields, (CsvRecord{"http://127.0.0.1/a", "x,y", "mine", "two\nlines"}));
}

}  // namespace
}  // namespace pindle
