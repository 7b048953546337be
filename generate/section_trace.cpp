#include "generate/section_trace.h"

namespace pindle {

ShortenTrace TraceSectionRequest(const SectionSource& source, LinkSection section, const ShortenRequest& prepared,
                                 const ShortenInputs& inputs, const SectionAnswerReader& read) {
  ShortenTrace trace;
  ExtractionTrace& x = trace.extraction;
  const Text key = LinkSectionKey(section);
  if (!HasLinkSection(source.plugin, section)) {
    x.reason = EmptyReason::NotSent;
    x.reasonText = SectionMissingReason(source.plugin.name(), section);
  } else if (!prepared.send) {
    x.reason = EmptyReason::NotSent;
    x.reasonText = (prepared.notSentReason.empty()
                        ? key + ".Type “" + source.plugin.read(key + ".Type") + "” 不是 GET、POST 或 DELETE"
                        : prepared.notSentReason) +
                   "：不发请求";
  } else {
    WebResponse response;
    trace = TraceExchange(prepared, response);
    read(response, trace);
  }
  std::vector<Text> secrets = inputs.secrets;
  secrets.insert(secrets.end(), prepared.secrets.begin(), prepared.secrets.end());
  MaskTrace(trace, secrets);
  return trace;
}

}  // namespace pindle
