#pragma once
#include "generate/link_sections.h"
#include "generate/shorten_trace.h"
#include "history/history_store.h"
#include "platform/types.h"

namespace pindle {

// One Delete request for `ref`, sent once: the link is really deleted at the service. The request
// as sent, the answer and whether the service took it as deleted, by the rule `pindle delete`
// follows (a 2xx answer); a link deleted is marked so in `history` (if given) as `pindle delete`
// marks it. Secrets of `inputs` are shown as ••••. FormatTrace shows it.
ShortenTrace TraceDelete(const Text& pluginFile, const LinkRef& ref, const ShortenInputs& inputs = {},
                         const HistoryStore* history = nullptr);

}  // namespace pindle
