#include "generate/stats_trace.h"

#include "generate/section_trace.h"
#include "json/json_document.h"

namespace pindle {

ShortenTrace TraceStats(const Text& pluginFile, const LinkRef& ref, const ShortenInputs& inputs) {
  const SectionSource source = SectionSource::Read(pluginFile);
  const ShortenRequest prepared = PrepareLinkRequest(source, LinkSection::Stats, ref, inputs);
  return TraceSectionRequest(
      source, LinkSection::Stats, prepared, inputs, [&](const WebResponse& response, ShortenTrace& trace) {
        ExtractionTrace& x = trace.extraction;
        Text error;
        const std::optional<std::int64_t> clicks = ReadClicks(source.plugin, prepared, response, error);
        const Text path = source.plugin.read("Stats.Clicks");
        if (!response.failed() && response.status >= 200 && response.status < 300)
          x.steps.push_back("Stats.Clicks “" + path + "” → “" +
                            JsonValueAtPath(DecodeAnswer(response.body, response.headers, prepared.encoding), path) +
                            "”");
        if (clicks) {
          x.result = std::to_string(*clicks);
        } else {
          x.reason = response.failed() ? EmptyReason::RequestFailed : EmptyReason::ServiceFailed;
          x.reasonText = error;
        }
      });
}

}  // namespace pindle
