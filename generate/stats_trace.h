#pragma once
#include "generate/link_sections.h"
#include "generate/shorten_trace.h"
#include "platform/types.h"

namespace pindle {

// One Stats request for `ref`, sent once (no waits, no retries, so the trace shows exactly the one
// exchange), with the request as sent, the answer and the click count read at Stats.Clicks; the
// result is the count. Secrets of `inputs` are shown as ••••. FormatTrace shows it.
ShortenTrace TraceStats(const Text& pluginFile, const LinkRef& ref, const ShortenInputs& inputs = {});

}  // namespace pindle
