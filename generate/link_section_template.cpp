#include "generate/link_section_template.h"

#include "json/json_parse.h"

namespace pindle {
namespace {

// "https://s.test" of "https://s.test/api?x", "$Field:Server$" of "$Field:Server$/api".
Text SiteOf(const Text& apiPath) {
  if (apiPath.rfind("$Field:", 0) == 0) {
    if (const auto end = apiPath.find('$', 1); end != Text::npos) return apiPath.substr(0, end + 1);
  }
  if (const auto scheme = apiPath.find("://"); scheme != Text::npos && scheme > 0) {
    const auto end = apiPath.find_first_of("/?#", scheme + 3);
    if (end != scheme + 3) return apiPath.substr(0, end);
  }
  return "https://s.example";
}

}  // namespace

Text LinkSectionTemplate(LinkSection section, const Text& apiPath, const Text& apiHeaders) {
  const Text site = SiteOf(apiPath);
  Json t;
  switch (section) {
    case LinkSection::Stats:
      t = {{"Type", "GET"},
           {"API Path", site + "/api/links/$Code$/stats"},
           {"Data", ""},
           {"Headers", apiHeaders},
           {"Clicks", "clicks"}};
      break;
    case LinkSection::List:
      t = {{"Type", "GET"},
           {"API Path", site + "/api/links?"},
           {"Data", "page=$Page$&limit=$Limit$"},
           {"Headers", apiHeaders},
           {"Items", "data"},
           {"Short", "link"},
           {"Long", "url"},
           {"Clicks", "clicks"},
           {"Id", "id"},
           {"PageSize", "50"},
           {"Total", "total"}};
      break;
    case LinkSection::Delete:
      t = {{"Type", "DELETE"}, {"API Path", site + "/api/links/$Id$"}, {"Data", ""}, {"Headers", apiHeaders}};
      break;
  }
  return t.dump(2);
}

}  // namespace pindle
