#include <gtest/gtest.h>

#include <functional>

#include "generate/delete_trace.h"
#include "generate/list_trace.h"
#include "tests/support/link_services.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

using test::kLinkServiceKey;

ShortenInputs Inputs(const test::LinkServices& services, const char* keyField, const std::string& key) {
  ShortenInputs inputs;
  inputs.fieldValues = {{"Server", services.base()}, {"Group", "Bg1"}, {keyField, key}};
  inputs.secrets = {key};
  return inputs;
}

// The list's first page traced against the imitation of each service: where the array stood, the
// first items, the next page's request (never sent), and the failures with the service's words.
TEST(LinkTraces, ListTracesTheFirstPageAndTheNextPageRule) {
  const struct {
    const char* name;
    const char* file;
    const char* keyField;
    int seeded;
    const char* key;  // nullptr: the right one
    std::function<void(test::LinkServices&)> before;
    bool listed;
    std::vector<std::string> shown;  // {base} stands for the imitation's address
  } cases[] = {
      {"Kutt, pages by skip",
       "kutt.json",
       "Key",
       120,
       nullptr,
       {},
       true,
       {"GET /api/v2/links?limit=50&skip=0 HTTP/1.1", "X-API-KEY: ••••", "List.Items “data” → 数组，50 项",
        "第 1 项：短网址 “{base}/c00000”，长网址 “http://127.0.0.1/seeded/0”，点击 4，编号 "
        "“00000000-0000-4000-8000-000000000000”",
        "……另有 45 项", "List.PageSize 50：本页 50 项，满一页；List.Total → 120，已有 50 项：还有下一页",
        "【结果】\n本页 50 个链接；下一页 GET {base}/api/v2/links?limit=50&skip=50\n"}},
      {"Shlink, pages by number",
       "shlink.json",
       "Key",
       51,
       nullptr,
       {},
       true,
       {"List.Items “shortUrls.data” → 数组，50 项", "下一页 GET {base}/rest/v3/short-urls?page=2&itemsPerPage=50"}},
      {"Kutt, the last page",
       "kutt.json",
       "Key",
       3,
       nullptr,
       {},
       true,
       {"数组，3 项", "第 3 项：短网址 “{base}/c00002”", "不满一页：这是最后一页", "本页 3 个链接；没有下一页"}},
      {"Bitly, the service's cursor",
       "bitly.json",
       "Token",
       60,
       nullptr,
       {},
       true,
       {"Authorization: Bearer ••••",
        "List.Next “pagination.next” → “{base}/v4/groups/Bg1/bitlinks?size=50&search_after=c00049”",
        "点击 （没有读到）", "下一页 GET {base}/v4/groups/Bg1/bitlinks?size=50&search_after=c00049"}},
      {"Kutt, a wrong key",
       "kutt.json",
       "Key",
       3,
       "wr0ng-key",
       {},
       false,
       {"HTTP/1.1 401", "X-API-KEY: ••••", "没有得到链接列表：HTTP 401：Unauthorized."}},
      {"Shlink, a wrong key",
       "shlink.json",
       "Key",
       3,
       "wr0ng-key",
       {},
       false,
       {"没有得到链接列表：HTTP 401：Provided API key does not exist or is invalid."}},
      {"Kutt, a page that is no JSON",
       "kutt.json",
       "Key",
       3,
       nullptr,
       [](test::LinkServices& s) { s.answerPageNext(1); },
       false,
       {"<h1>Sign in</h1>", "没有得到链接列表：JSON解析失败"}},
      {"YOURLS lists nothing",
       "yourls.json",
       "Signature",
       3,
       nullptr,
       {},
       false,
       {"没有得到链接列表：YOURLS 插件不能列出短网址（服务没有提供列表接口）"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    test::LinkServices services;
    services.seed(c.seeded);
    services.visit("c00000", 4);
    if (c.before) c.before(services);
    const std::string file = test::RelocatedStarter(c.file, services.base(), dir);
    const std::string key = c.key ? c.key : kLinkServiceKey;
    const ShortenTrace trace = TraceList(file, Inputs(services, c.keyField, key));
    const std::string shown = FormatTrace(trace, "没有得到链接列表");
    EXPECT_EQ(trace.linkCameOut(), c.listed) << shown;
    for (std::string part : c.shown) {
      for (std::size_t at; (at = part.find("{base}")) != std::string::npos;) part.replace(at, 6, services.base());
      EXPECT_NE(shown.find(part), std::string::npos) << part << "\n" << shown;
    }
    EXPECT_EQ(shown.find(key), std::string::npos) << shown;
    // One exchange: the next page is only named.
    EXPECT_LE(services.requests().size(), 1u);
  }
}

// A traced delete really deletes, and says so only when the service took it as deleted.
TEST(LinkTraces, DeleteSaysWhetherTheServiceDeleted) {
  const struct {
    const char* name;
    const char* file;
    const char* code;
    bool withId;
    bool deleted;
    const char* shown;
  } cases[] = {
      {"Shlink deletes", "shlink.json", "c00001", false, true, "服务已删除这个短网址（HTTP 204）"},
      {"Shlink, a link gone", "shlink.json", "nope", false, false, "没有删除：HTTP 404：No URL found with short code"},
      {"Kutt deletes by id", "kutt.json", "c00001", true, true, "服务已删除这个短网址（HTTP 200）"},
      {"Kutt without the id", "kutt.json", "c00001", false, false, "不知道这个短网址在服务端的编号"},
      {"YOURLS cannot delete", "yourls.json", "c00001", false, false, "插件不能删除短网址（服务没有提供删除接口）"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    test::LinkServices services;
    services.seed(2);
    const std::string file = test::RelocatedStarter(c.file, services.base(), dir);
    const LinkRef ref{services.base() + "/" + c.code, c.withId ? "00000000-0000-4000-8000-000000000001" : ""};
    const ShortenTrace trace = TraceDelete(
        file, ref, Inputs(services, std::string(c.file) == "yourls.json" ? "Signature" : "Key", kLinkServiceKey));
    const std::string shown = FormatTrace(trace, "没有删除");
    EXPECT_EQ(trace.linkCameOut(), c.deleted) << shown;
    EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
    EXPECT_EQ(shown.find(kLinkServiceKey), std::string::npos) << shown;
    // Only a delete that was sent reaches the service; a second trace of a deleted link is refused there.
    if (c.deleted) {
      EXPECT_FALSE(TraceDelete(file, ref, Inputs(services, "Key", kLinkServiceKey)).linkCameOut());
    }
  }
}

}  // namespace
}  // namespace pindle
