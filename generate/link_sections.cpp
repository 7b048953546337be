#include "generate/link_sections.h"

#include <ctime>

#include "generate/click_series.h"
#include "generate/failure_reason.h"
#include "generate/list_read_observer.h"
#include "json/json_document.h"
#include "plugins/plugin_file.h"
#include "text/secret_mask.h"
#include "text/text_utils.h"
#include "web/url_helpers.h"

namespace pindle {
namespace {

// Enough for any service's list; a service that always says "more" ends here.
constexpr int kMaxPages = 100000;

int PageSize(const PluginDefinition& plugin) {
  const std::optional<std::int64_t> size = ReadCount(plugin.read("List.PageSize"));
  return size && *size > 0 && *size <= 100000 ? static_cast<int>(*size) : 0;
}

}  // namespace

const char* LinkSectionKey(LinkSection section) {
  switch (section) {
    case LinkSection::Stats:
      return "Stats";
    case LinkSection::List:
      return "List";
    case LinkSection::Delete:
      break;
  }
  return "Delete";
}

bool HasLinkSection(const PluginDefinition& plugin, LinkSection section) {
  return !plugin.read(Text(LinkSectionKey(section)) + ".Type").empty();
}

std::map<Text, Text> LinkPlaceholders(const LinkRef& ref) {
  Text path = UrlPath(ref.link);
  path = path.substr(0, path.find_first_of("?#"));  // a code is the path alone
  while (!path.empty() && path.front() == '/') path.erase(0, 1);
  return {{"$Link$", ref.link}, {"$Code$", path}, {"$Host$", UrlHost(ref.link)}, {"$Id$", ref.serviceId}};
}

SectionSource SectionSource::Read(const Text& pluginFile) {
  SectionSource source;
  const PluginFileText file = ReadPluginFile(pluginFile);
  source.document.Parse(file.text);
  source.utf8 = file.utf8;
  source.plugin = PluginDefinition::FromDocument(source.document);
  for (const LinkSection section : {LinkSection::Stats, LinkSection::List, LinkSection::Delete})
    source.sections.emplace(section, SectionRequests(source.document, source.utf8, LinkSectionKey(section)));
  return source;
}

ShortenRequest PrepareLinkRequest(const Text& pluginFile, LinkSection section, const LinkRef& ref,
                                  const ShortenInputs& inputs, int page) {
  return PrepareLinkRequest(SectionSource::Read(pluginFile), section, ref, inputs, page);
}

ShortenRequest PrepareLinkRequest(const SectionSource& source, LinkSection section, const LinkRef& ref,
                                  const ShortenInputs& inputs, int page) {
  const PluginDefinition& plugin = source.plugin;
  const auto read = source.sections.find(section);
  const SectionRequests requests = read != source.sections.end()
                                       ? read->second
                                       : SectionRequests(source.document, source.utf8, LinkSectionKey(section));
  if (ref.serviceId.empty() && requests.names("$Id$")) {
    ShortenRequest none;
    none.notSentReason = MissingIdReason(plugin.name());
    return none;
  }
  std::map<Text, Text> values = LinkPlaceholders(ref);
  if (section == LinkSection::List) {
    const int size = PageSize(plugin);
    values["$Page$"] = std::to_string(page);
    values["$Skip$"] = std::to_string(static_cast<std::int64_t>(page - 1) * size);
    values["$Limit$"] = std::to_string(size);
  }
  return requests.prepare(values, inputs);
}

ShortenRequest PrepareListPage(const SectionSource& source, const ShortenInputs& inputs, int page,
                               const Text& nextUrl) {
  ShortenRequest prepared = PrepareLinkRequest(source, LinkSection::List, {}, inputs, page);
  if (!prepared.send || page == 1) return prepared;
  if (nextUrl.empty()) {
    // Without a page placeholder every page would be the first one again, asked up to the end
    // of kMaxPages.
    const auto read = source.sections.find(LinkSection::List);
    if (read != source.sections.end() && !read->second.names("$Page$") && !read->second.names("$Skip$")) {
      prepared.send = false;
      prepared.notSentReason = "List 的地址、数据和请求头里没有 $Page$ 或 $Skip$，也没有 List.Next：第 " +
                               std::to_string(page) + " 页无从请求";
    }
    return prepared;
  }
  // The service's cursor carries the key's headers only to the plug-in's own site.
  if (UrlOrigin(nextUrl) != UrlOrigin(prepared.request.url)) {
    prepared.send = false;
    prepared.notSentReason = LeavesOriginReason(UrlOrigin(nextUrl), UrlOrigin(prepared.request.url));
    return prepared;
  }
  prepared.request.url = nextUrl;
  return prepared;
}

Text LinkAnswerProblem(const ShortenRequest& prepared, const WebResponse& response) {
  if (response.failed()) return MaskSecrets(response.error, prepared.secrets);
  if (response.status >= 200 && response.status < 300) return {};
  const Text words = ServiceMessage(DecodeAnswer(response.body, response.headers, prepared.encoding));
  return MaskSecrets("HTTP " + std::to_string(response.status) + (words.empty() ? Text() : "：" + words),
                     prepared.secrets);
}

std::optional<std::int64_t> ReadCount(const Text& text) {
  const Text t = Trim(text);
  if (t.empty() || t.size() > 18) return std::nullopt;
  for (const char c : t)
    if (c < '0' || c > '9') return std::nullopt;
  return std::stoll(t);
}

std::optional<std::int64_t> ReadClicks(const PluginDefinition& plugin, const ShortenRequest& prepared,
                                       const WebResponse& response, Text& error) {
  error = LinkAnswerProblem(prepared, response);
  if (!error.empty()) return std::nullopt;
  const Text answer = DecodeAnswer(response.body, response.headers, prepared.encoding);
  std::optional<std::int64_t> clicks;
  if (const Text path = plugin.read("Stats.Clicks"); !path.empty() || !HasClickSeries(plugin)) {
    clicks = ReadCount(JsonValueAtPath(answer, path));
  } else if (JsonDocument days; days.Parse(answer) && days.TypeOf(plugin.read("Stats.Series")) == JsonType::Array) {
    // No count of its own: the days since the link was made add up to it (Bitly's clicks by day).
    std::int64_t sum = 0;
    for (const DayClicks& day :
         ReadClickSeries(plugin, answer, LocalDay(static_cast<std::int64_t>(std::time(nullptr)))))
      sum += day.clicks;
    clicks = sum;
  }
  if (!clicks) {
    const Text words = ServiceMessage(answer);
    error = MaskSecrets(words.empty() ? Text("服务没有返回点击数") : "服务没有返回点击数：" + words, prepared.secrets);
  }
  return clicks;
}

ListPage ReadListPage(const PluginDefinition& plugin, const ShortenRequest& prepared, const WebResponse& response,
                      std::int64_t skip, ListReadObserver* seen) {
  ListPage page;
  page.error = LinkAnswerProblem(prepared, response);
  if (!page.error.empty()) return page;
  JsonDocument answer;
  if (!answer.Parse(DecodeAnswer(response.body, response.headers, prepared.encoding))) {
    page.error = kJsonParseFailedText;
    return page;
  }
  const Text items = plugin.read("List.Items");
  if (answer.TypeOf(items) != JsonType::Array) {
    if (seen) seen->items(items, -1);
    page.error = "服务的回答里没有链接列表";
    return page;
  }
  const int count = answer.Count(items);
  page.items = count;
  if (seen) seen->items(items, count);
  for (int i = 0; i < count; ++i) {
    const JsonDocument item = answer.GetElementObject(i, items);
    ListedLink link;
    link.shortLink = MaskSecrets(item.GetText(plugin.read("List.Short")), prepared.secrets);
    link.longUrl = MaskSecrets(item.GetText(plugin.read("List.Long")), prepared.secrets);
    if (const Text path = plugin.read("List.Clicks"); !path.empty()) link.clicks = ReadCount(item.GetText(path));
    if (const Text path = plugin.read("List.Id"); !path.empty()) link.serviceId = item.GetText(path);
    const bool kept = !link.shortLink.empty();
    if (seen) seen->item(i, link, kept);
    if (kept) page.links.push_back(std::move(link));
  }
  if (const Text next = plugin.read("List.Next"); !next.empty()) {
    page.nextUrl = answer.GetText(next);
    page.more = count > 0 && !page.nextUrl.empty();
    if (seen) seen->cursor(next, page.nextUrl);
    return page;
  }
  const int size = PageSize(plugin);
  page.more = size > 0 && count >= size && skip / size + 1 < kMaxPages;
  std::optional<std::int64_t> held;
  if (const Text total = plugin.read("List.Total"); page.more && !total.empty()) {
    held = ReadCount(answer.GetText(total));
    if (held) page.more = skip + count < *held;
  }
  if (seen) seen->paging(size, skip, count, held, page.more);
  return page;
}

Text SectionMissingReason(const Text& pluginName, LinkSection section) {
  switch (section) {
    case LinkSection::Stats:
      return pluginName + " 插件不能查询点击数（服务没有提供统计接口）";
    case LinkSection::List:
      return pluginName + " 插件不能列出短网址（服务没有提供列表接口）";
    case LinkSection::Delete:
      break;
  }
  return pluginName + " 插件不能删除短网址（服务没有提供删除接口）";
}

Text MissingIdReason(const Text& pluginName) {
  return "不知道这个短网址在服务端的编号（可先运行 pindle links -p " + pluginName + " --save）";
}

}  // namespace pindle
