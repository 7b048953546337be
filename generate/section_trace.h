#pragma once
#include <functional>

#include "generate/link_sections.h"
#include "generate/shorten_trace.h"

namespace pindle {

// Reads a section's answer into the trace's extraction (steps, result or reason).
using SectionAnswerReader = std::function<void(const WebResponse& response, ShortenTrace& trace)>;

// One request of a link section, sent once (no waits, no retries, so the trace shows exactly the
// one exchange) and kept as TraceExchange keeps it; `read` says what the answer gives. Nothing is
// sent for a plug-in without the section or a request that cannot be built: the trace says why.
// Secrets of `inputs` and of the request are shown as ••••.
ShortenTrace TraceSectionRequest(const SectionSource& source, LinkSection section, const ShortenRequest& prepared,
                                 const ShortenInputs& inputs, const SectionAnswerReader& read);

}  // namespace pindle
