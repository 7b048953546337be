#pragma once
#include "generate/link_sections.h"
#include "generate/shorten_trace.h"
#include "platform/types.h"

namespace pindle {

// One Delete request for `ref`, sent once: the link is really deleted at the service. The request
// as sent, the answer and whether the service took it as deleted, by the rule `pindle delete`
// follows (a 2xx answer). Secrets of `inputs` are shown as ••••. FormatTrace shows it.
ShortenTrace TraceDelete(const Text& pluginFile, const LinkRef& ref, const ShortenInputs& inputs = {});

}  // namespace pindle
