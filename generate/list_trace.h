#pragma once
#include "generate/shorten_trace.h"
#include "platform/types.h"

namespace pindle {

// Items of a traced page shown one by one; the rest are counted.
inline constexpr int kTracedListItems = 5;

// The first List request (the plug-in's Fields and secrets applied), sent once, with the request
// as sent, the answer, where the array was found and how many items it holds, the first items as
// the item paths read them and what the next page would be: its request, or that there is none.
// No other page is asked for. Secrets of `inputs` are shown as ••••. FormatTrace shows it.
ShortenTrace TraceList(const Text& pluginFile, const ShortenInputs& inputs = {});

}  // namespace pindle
