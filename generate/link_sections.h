#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "generate/shorten_engine.h"
#include "json/json_document.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"
#include "web/web_request.h"

namespace pindle {

// The optional sections beside API and Response for the links a plug-in made: each a request
// written as API is (Type, 'API Path', Data, Headers, BodyType; the file's Encoding and Fields),
// plus where its values stand in the answer. A reader that does not know them leaves them alone.
//   Stats:  Clicks (JSON path of the count)
//   List:   Items (path of the array; empty: the answer is the array), and in each item Short,
//           Long, Clicks, Id; PageSize (rows a page asks for, "$Limit$"), Total (path of the
//           number of rows the service holds). Pages: "$Page$" from 1, "$Skip$" from 0; or Next,
//           the path of the next page's whole address in the answer (a cursor the service gives).
//   Delete: any 2xx answer counts as deleted.
enum class LinkSection { Stats, List, Delete };
const char* LinkSectionKey(LinkSection section);
bool HasLinkSection(const PluginDefinition& plugin, LinkSection section);

// A link as the sections name it: "$Link$" the short link, "$Code$" its path without the first
// "/", "$Host$" its host, "$Id$" the service's own id (kept from the create answer by Response.Id).
struct LinkRef {
  Text link;
  Text serviceId;
};
std::map<Text, Text> LinkPlaceholders(const LinkRef& ref);

// A plug-in file read once for many requests of its sections (the clicks of many links).
struct SectionSource {
  JsonDocument document;
  bool utf8 = false;
  PluginDefinition plugin;
  // Each link section's texts, read once with the file.
  std::map<LinkSection, SectionRequests> sections;
  static SectionSource Read(const Text& pluginFile);
};

// The request of `section` for `ref` (and, for List, page `page` from 1).
ShortenRequest PrepareLinkRequest(const Text& pluginFile, LinkSection section, const LinkRef& ref,
                                  const ShortenInputs& inputs, int page = 1);
ShortenRequest PrepareLinkRequest(const SectionSource& source, LinkSection section, const LinkRef& ref,
                                  const ShortenInputs& inputs, int page = 1);

// The request of List page `page` after the page before it gave `nextUrl` (List.Next; empty: the
// page placeholders place it). Not sent, notSentReason saying why, when that address leaves the
// plug-in's site, or when there is neither such an address nor a placeholder to place the page.
ShortenRequest PrepareListPage(const SectionSource& source, const ShortenInputs& inputs, int page,
                               const Text& nextUrl = {});

// Why an answer is no success: the web layer's reason, or "HTTP 401：<the service's words>" for a
// status that is not 2xx; empty for a success. Secrets masked.
Text LinkAnswerProblem(const ShortenRequest& prepared, const WebResponse& response);

// The click count of a Stats answer (Stats.Clicks; without it, the sum of Stats.Series' days);
// `error` (set when none) says why.
std::optional<std::int64_t> ReadClicks(const PluginDefinition& plugin, const ShortenRequest& prepared,
                                       const WebResponse& response, Text& error);

struct ListedLink {
  Text shortLink;
  Text longUrl;
  std::optional<std::int64_t> clicks;
  Text serviceId;
};
struct ListPage {
  std::vector<ListedLink> links;
  int items = 0;      // rows of the answer, those without a short link among them
  bool more = false;  // another page is to be asked for
  Text nextUrl;       // with List.Next: where it is
  Text error;
};
// One List answer; `skip`: the rows of the pages before it. `seen` (if given) is told each step.
class ListReadObserver;
ListPage ReadListPage(const PluginDefinition& plugin, const ShortenRequest& prepared, const WebResponse& response,
                      std::int64_t skip, ListReadObserver* seen = nullptr);

// A count as a service writes it: an integer, or its digits as text.
std::optional<std::int64_t> ReadCount(const Text& text);

// "YOURLS 插件不能删除短网址（服务没有提供删除接口）" and the like for the other sections.
Text SectionMissingReason(const Text& pluginName, LinkSection section);
// Why a link cannot be named to its service: a section takes "$Id$" and the history has none.
Text MissingIdReason(const Text& pluginName);

}  // namespace pindle
