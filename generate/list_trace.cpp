#include "generate/list_trace.h"

#include "generate/list_read_observer.h"
#include "generate/section_trace.h"

namespace pindle {
namespace {

Text Quoted(const Text& text) { return "“" + text + "”"; }

// The list reading's own account of a page, as steps.
class ListExplainer : public ListReadObserver {
 public:
  explicit ListExplainer(ExtractionTrace& trace) : t_(trace) {}

  void items(const Text& path, int count) override {
    const Text where = path.empty() ? Text("List.Items 为空：整个应答") : "List.Items " + Quoted(path);
    if (count < 0) {
      step(where + " 不是数组");
      return;
    }
    step(where + " → 数组，" + std::to_string(count) + " 项");
    if (count > kTracedListItems) hidden_ = count - kTracedListItems;
  }
  void item(int index, const ListedLink& link, bool kept) override {
    if (index >= kTracedListItems) return;
    step("第 " + std::to_string(index + 1) + " 项：短网址 " + Quoted(link.shortLink) + "，长网址 " +
         Quoted(link.longUrl) + "，点击 " + (link.clicks ? std::to_string(*link.clicks) : Text("（没有读到）")) +
         (link.serviceId.empty() ? Text() : "，编号 " + Quoted(link.serviceId)) +
         (kept ? Text() : "（没有短网址，不算一个链接）"));
    if (index + 1 == kTracedListItems && hidden_ > 0) step("……另有 " + std::to_string(hidden_) + " 项，不逐一列出");
  }
  void cursor(const Text& path, const Text& address) override {
    step("List.Next " + Quoted(path) + " → " + (address.empty() ? Text("没有值：这是最后一页") : Quoted(address)));
  }
  void paging(int size, std::int64_t skip, int count, const std::optional<std::int64_t>& total, bool more) override {
    if (size <= 0) {
      step("没有可用的 List.PageSize 或 List.Next：只有这一页");
      return;
    }
    Text line = "List.PageSize " + std::to_string(size) + "：本页 " + std::to_string(count) + " 项，" +
                (count >= size ? "满一页" : "不满一页");
    if (total) line += "；List.Total → " + std::to_string(*total) + "，已有 " + std::to_string(skip + count) + " 项";
    step(line + (more ? "：还有下一页" : "：这是最后一页"));
  }

 private:
  void step(const Text& line) { t_.steps.push_back(line); }
  ExtractionTrace& t_;
  int hidden_ = 0;
};

Text RequestLine(const ShortenRequest& prepared) {
  const RequestOptions& r = prepared.request;
  Text line = Text(HttpMethodName(r.method.value_or(kGet))) + " " + r.url;
  if (r.postText && !r.postText->empty()) line += "，数据 " + Quoted(*r.postText);
  return line;
}

}  // namespace

ShortenTrace TraceList(const Text& pluginFile, const ShortenInputs& inputs) {
  const SectionSource source = SectionSource::Read(pluginFile);
  const ShortenRequest prepared = PrepareListPage(source, inputs, 1);
  return TraceSectionRequest(
      source, LinkSection::List, prepared, inputs, [&](const WebResponse& response, ShortenTrace& trace) {
        ExtractionTrace& x = trace.extraction;
        ListExplainer explainer(x);
        const ListPage page = ReadListPage(source.plugin, prepared, response, 0, &explainer);
        if (!page.error.empty()) {
          const bool answered = !response.failed() && response.status >= 200 && response.status < 300;
          x.reason = response.failed() ? EmptyReason::RequestFailed
                                       : (answered ? EmptyReason::NoSuchPath : EmptyReason::ServiceFailed);
          if (page.error == kJsonParseFailedText) x.reason = EmptyReason::NotJson;
          x.reasonText = page.error;
          return;
        }
        x.result = "本页 " + std::to_string(page.links.size()) + " 个链接；";
        if (!page.more) {
          x.result += "没有下一页";
          return;
        }
        // The second page as `pindle links` would ask for it; it is not sent.
        const ShortenRequest next = PrepareListPage(source, inputs, 2, page.nextUrl);
        const Text shown = next.send ? "下一页 " + RequestLine(next) : "下一页不能请求：" + next.notSentReason;
        x.steps.push_back(shown);
        x.result += shown;
      });
}

}  // namespace pindle
