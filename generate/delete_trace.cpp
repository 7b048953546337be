#include "generate/delete_trace.h"

#include "generate/section_trace.h"

namespace pindle {

ShortenTrace TraceDelete(const Text& pluginFile, const LinkRef& ref, const ShortenInputs& inputs) {
  const SectionSource source = SectionSource::Read(pluginFile);
  const ShortenRequest prepared = PrepareLinkRequest(source, LinkSection::Delete, ref, inputs);
  return TraceSectionRequest(source, LinkSection::Delete, prepared, inputs,
                             [&](const WebResponse& response, ShortenTrace& trace) {
                               ExtractionTrace& x = trace.extraction;
                               x.steps.push_back("Delete：2xx 应答算已删除");
                               const Text problem = LinkAnswerProblem(prepared, response);
                               if (problem.empty()) {
                                 x.result = "服务已删除这个短网址（HTTP " + std::to_string(response.status) + "）";
                                 return;
                               }
                               x.reason = response.failed() ? EmptyReason::RequestFailed : EmptyReason::ServiceFailed;
                               x.reasonText = problem;
                             });
}

}  // namespace pindle
