#include "generate/click_series.h"

#include <chrono>
#include <ctime>
#include <map>
#include <optional>

#include "generate/link_sections.h"
#include "json/json_document.h"
#include "text/local_time.h"

namespace pindle {
namespace {

using std::chrono::days;
using std::chrono::sys_days;

// A series spans at most this many days; an answer with a date far off would fill memory with
// empty days otherwise.
constexpr int kLongestSeries = 3660;

std::optional<sys_days> ParseDay(const Text& text) {
  if (text.size() < 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  for (const int i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
  const std::chrono::year_month_day ymd{std::chrono::year(std::stoi(text.substr(0, 4))),
                                        std::chrono::month(static_cast<unsigned>(std::stoi(text.substr(5, 2)))),
                                        std::chrono::day(static_cast<unsigned>(std::stoi(text.substr(8, 2))))};
  if (!ymd.ok()) return std::nullopt;
  return sys_days(ymd);
}

Text DayText(sys_days day) {
  const std::chrono::year_month_day ymd(day);
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                static_cast<unsigned>(ymd.day()));
  return text;
}

}  // namespace

bool HasClickSeries(const PluginDefinition& plugin) { return !plugin.read("Stats.Series").empty(); }

std::vector<DayClicks> ReadClickSeries(const PluginDefinition& plugin, const Text& answer, const Text& today) {
  const Text path = plugin.read("Stats.Series");
  JsonDocument json;
  if (path.empty() || !json.Parse(answer) || json.TypeOf(path) != JsonType::Array) return {};
  const Text datePath = plugin.read("Stats.SeriesDate");
  const Text countPath = plugin.read("Stats.SeriesCount");
  std::map<sys_days, std::int64_t> byDay;
  const int count = json.Count(path);
  const std::optional<sys_days> last = ParseDay(today);
  for (int i = 0; i < count; ++i) {
    std::optional<sys_days> day;
    if (datePath.empty()) {
      if (last) day = *last - days(count - 1 - i);
    } else {
      day = ParseDay(json.GetElementObject(i, path).GetText(datePath));
    }
    if (!day) continue;
    std::optional<std::int64_t> clicks;
    if (!countPath.empty())
      clicks = ReadCount(json.GetElementObject(i, path).GetText(countPath));
    else if (datePath.empty())
      clicks = ReadCount(json.GetElementText(i, path));
    else
      clicks = 1;
    if (clicks) byDay[*day] += *clicks;
  }
  std::vector<DayClicks> series;
  if (byDay.empty()) return series;
  sys_days first = byDay.begin()->first;
  const sys_days end = byDay.rbegin()->first;
  if ((end - first).count() >= kLongestSeries) first = end - days(kLongestSeries - 1);
  for (sys_days day = first; day <= end; day += days(1)) {
    const auto it = byDay.find(day);
    series.push_back({DayText(day), it == byDay.end() ? 0 : it->second});
  }
  return series;
}

Text LocalDay(std::int64_t unixTime) { return LocalTimeText(unixTime, "%Y-%m-%d"); }

}  // namespace pindle
