#include "generate/stats_trace.h"

#include "json/json_document.h"

namespace pindle {
namespace {

ShortenTrace TraceUnmasked(const SectionSource& source, const ShortenRequest& prepared) {
  ShortenTrace trace;
  ExtractionTrace& x = trace.extraction;
  if (!HasLinkSection(source.plugin, LinkSection::Stats)) {
    x.reason = EmptyReason::NotSent;
    x.reasonText = SectionMissingReason(source.plugin.name(), LinkSection::Stats);
    return trace;
  }
  if (!prepared.send) {
    x.reason = EmptyReason::NotSent;
    x.reasonText = (prepared.notSentReason.empty()
                        ? "Stats.Type “" + source.plugin.read("Stats.Type") + "” 不是 GET、POST 或 DELETE"
                        : prepared.notSentReason) +
                   "：不发请求";
    return trace;
  }
  WebResponse response;
  trace = TraceExchange(prepared, response);
  Text error;
  const std::optional<std::int64_t> clicks = ReadClicks(source.plugin, prepared, response, error);
  const Text path = source.plugin.read("Stats.Clicks");
  if (!response.failed() && response.status >= 200 && response.status < 300)
    trace.extraction.steps.push_back(
        "Stats.Clicks “" + path + "” → “" +
        JsonValueAtPath(DecodeAnswer(response.body, response.headers, prepared.encoding), path) + "”");
  if (clicks) {
    x.result = std::to_string(*clicks);
  } else {
    x.reason = response.failed() ? EmptyReason::RequestFailed : EmptyReason::ServiceFailed;
    x.reasonText = error;
  }
  return trace;
}

}  // namespace

ShortenTrace TraceStats(const Text& pluginFile, const LinkRef& ref, const ShortenInputs& inputs) {
  const SectionSource source = SectionSource::Read(pluginFile);
  const ShortenRequest prepared = PrepareLinkRequest(source, LinkSection::Stats, ref, inputs);
  ShortenTrace trace = TraceUnmasked(source, prepared);
  std::vector<Text> secrets = inputs.secrets;
  secrets.insert(secrets.end(), prepared.secrets.begin(), prepared.secrets.end());
  MaskTrace(trace, secrets);
  return trace;
}

}  // namespace pindle
