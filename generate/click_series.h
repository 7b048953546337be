#pragma once
#include <cstdint>
#include <vector>

#include "history/day_clicks.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"

namespace pindle {

// Optional keys of the Stats section for a link's clicks by day, read from the same answer as
// Stats.Clicks (a reader that does not know them leaves them alone):
//   Series       JSON path of the array of days (Kutt's "lastMonth.views", Bitly's "link_clicks")
//                or of single visits (Shlink's "visits.data")
//   SeriesDate   in each item, the path of its date (its first ten characters, "YYYY-MM-DD");
//                absent: the items are consecutive days, the last one today
//   SeriesCount  in each item, the path of its count; absent: each item is a number (the items
//                are counts) when SeriesDate is absent, one visit when it is given
bool HasClickSeries(const PluginDefinition& plugin);

// The days of the answer's series, oldest first, one point a day from the first to the last
// (days the service leaves out count 0); empty when the plug-in gives no series or the answer
// holds none. `today` ("YYYY-MM-DD") dates a series without dates.
std::vector<DayClicks> ReadClickSeries(const PluginDefinition& plugin, const Text& answer, const Text& today);

// "YYYY-MM-DD" of a time in local time.
Text LocalDay(std::int64_t unixTime);

}  // namespace pindle
