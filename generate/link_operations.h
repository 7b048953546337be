#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "generate/click_series.h"
#include "generate/link_sections.h"
#include "generate/shorten_engine.h"
#include "platform/types.h"

namespace pindle {

// A link and the plug-in that speaks for it.
struct LinkTask {
  Text pluginName;
  Text pluginFile;  // empty: no plug-in is known for the link
  ShortenInputs inputs;
  LinkRef ref;
  // What the user can do when no plug-in is known, in the words of the door that asks.
  Text noPluginAdvice;
};

struct LinkOutcome {
  bool ok = false;
  std::optional<std::int64_t> clicks;  // Stats only
  std::vector<DayClicks> series;       // Stats with a series (Stats.Series): the clicks by day
  Text error;
  int status = 0;
};

// One exchange of a link section, with the waits a batch makes: an answer 429, or 503 with
// Retry-After, waits what the service asks (1 s doubling without it, never past 120 s) and asks
// again, up to 5 times; a connection failing before any answer is tried once more.
WebResponse SendLinkRequest(const ShortenRequest& prepared);

// The clicks of one link; the delete of one link. Nothing is sent for a plug-in without the
// section (the reason says so) or a request that cannot be built.
LinkOutcome FetchClicks(const LinkTask& task);
LinkOutcome DeleteLink(const LinkTask& task);

// FetchClicks of every task, on the calling thread through one multi transfer, as a batch runs:
// `concurrency` requests in flight to each host, its waits (429, 503 with Retry-After: what the
// service asks, else 1 s doubling, then one request at a time to that host; 502/503/504 up to 3
// times; never past 120 s) and a cut connection tried once more. Results in task order; `done`
// (if given) is called on the calling thread as each task ends, with the count ended so far.
// `stopRequested` (polled at least every 100 ms) true ends it: the tasks not ended fail as stopped.
using ClicksDone = std::function<void(std::size_t task, const LinkOutcome& outcome, int finished)>;
std::vector<LinkOutcome> FetchAllClicks(const std::vector<LinkTask>& tasks, int concurrency,
                                        const ClicksDone& done = {}, const std::function<bool()>& stopRequested = {});

// Every link the service lists for the plug-in's key, page after page to the end.
struct LinkListing {
  std::vector<ListedLink> links;
  Text error;  // why the listing stopped; the pages before it stay
  bool ok() const { return error.empty(); }
};
LinkListing ListAllLinks(const LinkTask& plugin);

}  // namespace pindle
