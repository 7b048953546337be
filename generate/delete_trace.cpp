#include "generate/delete_trace.h"

#include "generate/section_trace.h"

namespace pindle {

ShortenTrace TraceDelete(const Text& pluginFile, const LinkRef& ref, const ShortenInputs& inputs,
                         const HistoryStore* history) {
  const SectionSource source = SectionSource::Read(pluginFile);
  const ShortenRequest prepared = PrepareLinkRequest(source, LinkSection::Delete, ref, inputs);
  const auto read = [&](const WebResponse& response, ShortenTrace& trace) {
    ExtractionTrace& x = trace.extraction;
    x.steps.push_back("Delete：2xx 应答算已删除");
    const Text problem = LinkAnswerProblem(prepared, response);
    if (!problem.empty()) {
      x.reason = response.failed() ? EmptyReason::RequestFailed : EmptyReason::ServiceFailed;
      x.reasonText = problem;
      return;
    }
    x.result = "服务已删除这个短网址（HTTP " + std::to_string(response.status) + "）";
    if (!history || history->file().empty() || !history->findLink(ref.link)) return;
    Text error;
    x.steps.push_back(history->markDeleted(ref.link, &error) ? Text("历史记录里的这个短网址标为已删除")
                                                             : "历史记录没有标上已删除：" + error);
  };
  return TraceSectionRequest(source, LinkSection::Delete, prepared, inputs, read);
}

}  // namespace pindle
