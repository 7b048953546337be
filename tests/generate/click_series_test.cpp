#include "generate/click_series.h"

#include <gtest/gtest.h>

namespace pindle {

void PrintTo(const DayClicks& d, std::ostream* os) { *os << d.day << "=" << d.clicks; }

namespace {

// The series keys against answers written as Kutt, Shlink and Bitly write theirs; the failure
// rows (no series key, no array, dates that are no dates) beside them.
TEST(ClickSeries, DaysFromTheAnswersServicesGive) {
  struct Case {
    const char* what;
    const char* keys;  // of the Stats section
    const char* answer;
    std::vector<DayClicks> wanted;
    const char* today = "2026-12-10";
  } cases[] = {
      {"Kutt: a month's views, oldest first, the last today",
       R"("Series":"lastMonth.views")",
       R"({"visit_count":5,"lastMonth":{"views":[0,2,"3"],"total":5}})",
       {{"2026-12-08", 0}, {"2026-12-09", 2}, {"2026-12-10", 3}}},
      {"Kutt across the end of a month",
       R"("Series":"lastWeek.views")",
       R"({"lastWeek":{"views":[1,0,4]}})",
       {{"2026-11-30", 1}, {"2026-12-01", 0}, {"2026-12-02", 4}},
       "2026-12-02"},
      {"Shlink: single visits, counted by day, missing days 0",
       R"("Series":"visits.data","SeriesDate":"date")",
       R"({"visits":{"data":[{"date":"2026-12-10T09:01:00+00:00"},{"date":"2026-12-10T08:00:00+00:00"},
           {"date":"2026-12-08T23:59:59+00:00"}],"pagination":{"totalItems":3}}})",
       {{"2026-12-08", 1}, {"2026-12-09", 0}, {"2026-12-10", 2}}},
      {"Bitly: clicks by day, newest first",
       R"("Series":"link_clicks","SeriesDate":"date","SeriesCount":"clicks")",
       R"({"link_clicks":[{"clicks":4,"date":"2026-12-10T00:00:00+0000"},{"clicks":0,"date":"2026-12-09T00:00:00+0000"},
           {"clicks":7,"date":"2026-12-07T00:00:00+0000"}],"units":4,"unit":"day"})",
       {{"2026-12-07", 7}, {"2026-12-08", 0}, {"2026-12-09", 0}, {"2026-12-10", 4}}},
      {"no series key", R"("Clicks":"visit_count")", R"({"lastMonth":{"views":[1]}})", {}},
      {"no array at the path", R"("Series":"lastMonth.views")", R"({"lastMonth":{"views":3}})", {}},
      {"not JSON", R"("Series":"a")", "<html>", {}},
      {"items that are no dates or counts are left out",
       R"("Series":"d","SeriesDate":"t","SeriesCount":"n")",
       R"({"d":[{"t":"yesterday","n":1},{"t":"2026-02-30","n":1},{"t":"2026-12-01","n":"x"},{"t":"2026-12-02","n":2}]})",
       {{"2026-12-02", 2}}},
  };
  for (const Case& c : cases) {
    const PluginDefinition plugin =
        PluginDefinition::FromText(std::string(R"({"Name":"S","Stats":{"Type":"GET",)") + c.keys + "}}");
    EXPECT_EQ(ReadClickSeries(plugin, c.answer, c.today), c.wanted) << c.what;
  }
  // A date far off does not fill memory with empty days.
  const PluginDefinition far =
      PluginDefinition::FromText(R"({"Stats":{"Type":"GET","Series":"d","SeriesDate":"t","SeriesCount":"n"}})");
  const auto days = ReadClickSeries(far, R"({"d":[{"t":"0001-01-01","n":1},{"t":"2026-12-10","n":1}]})", "");
  ASSERT_FALSE(days.empty());
  EXPECT_LE(days.size(), 3660u);
  EXPECT_EQ(days.back(), (DayClicks{"2026-12-10", 1}));
}

}  // namespace
}  // namespace pindle
