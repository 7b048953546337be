#include <gtest/gtest.h>

#include "generate/delete_trace.h"
#include "generate/link_operations.h"
#include "generate/list_trace.h"
#include "tests/support/link_services.h"
#include "tests/support/temp_dir.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

using test::kLinkServiceKey;

ShortenInputs Inputs(const test::LinkServices& services, const std::string& file, const std::string& key) {
  const char* field = file == "bitly.json" ? "Token" : file == "yourls.json" ? "Signature" : "Key";
  ShortenInputs inputs;
  inputs.fieldValues = {{"Server", services.base()}, {"Group", "Bg1"}, {field, key}};
  inputs.secrets = {key};
  return inputs;
}

enum class Twist { None, WrongKey, HtmlPage, NoPagePlaceholder };

// The list's first page traced against the imitation of each service: where the array stood, the
// first items, the next page's request (never sent), and the failures with the service's words.
TEST(LinkTraces, ListTracesTheFirstPageAndTheNextPageRule) {
  const struct {
    const char* name;
    std::string file;
    int seeded;
    Twist twist;
    const char* shown;  // parts of the trace, "|" between them; {base} stands for the imitation
  } cases[] = {
      {"Kutt, pages by skip", "kutt.json", 120, Twist::None,
       "GET /api/v2/links?limit=50&skip=0 HTTP/1.1|X-API-KEY: ••••|List.Items “data” → 数组，50 项|"
       "第 1 项：短网址 “{base}/c00000”，长网址 “http://127.0.0.1/seeded/0”，点击 4，编号 “00000000-0000-4000-8000-"
       "000000000000”|……另有 45 项|List.PageSize 50：本页 50 项，满一页；List.Total → 120，已有 50 项：还有下一页|"
       "【结果】\n本页 50 个链接；下一页 GET {base}/api/v2/links?limit=50&skip=50\n"},
      {"Shlink, pages by number", "shlink.json", 51, Twist::None,
       "List.Items “shortUrls.data” → 数组，50 项|下一页 GET {base}/rest/v3/short-urls?page=2&itemsPerPage=50"},
      {"Kutt, the last page", "kutt.json", 3, Twist::None,
       "数组，3 项|第 3 项：短网址 “{base}/c00002”|不满一页：这是最后一页|本页 3 个链接；没有下一页"},
      {"Bitly, the service's cursor", "bitly.json", 60, Twist::None,
       "Authorization: Bearer ••••|点击 （没有读到）|"
       "List.Next “pagination.next” → “{base}/v4/groups/Bg1/bitlinks?size=50&search_after=c00049”|"
       "下一页 GET {base}/v4/groups/Bg1/bitlinks?size=50&search_after=c00049"},
      {"Kutt, a wrong key", "kutt.json", 3, Twist::WrongKey,
       "HTTP/1.1 401|X-API-KEY: ••••|没有得到链接列表：HTTP 401：Unauthorized."},
      {"Shlink, a wrong key", "shlink.json", 3, Twist::WrongKey,
       "没有得到链接列表：HTTP 401：Provided API key does not exist or is invalid."},
      {"Kutt, a page that is no JSON", "kutt.json", 3, Twist::HtmlPage,
       "<h1>Sign in</h1>|没有得到链接列表：JSON解析失败"},
      {"Kutt, no way to ask for page 2", "kutt.json", 60, Twist::NoPagePlaceholder,
       "还有下一页|本页 50 个链接；下一页不能请求：List 的地址、数据和请求头里没有 $Page$ 或 $Skip$，也没有 "
       "List.Next：第 2 页无从请求"},
      {"YOURLS lists nothing", "yourls.json", 3, Twist::None,
       "没有得到链接列表：YOURLS 插件不能列出短网址（服务没有提供列表接口）"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir dir;
    test::LinkServices services;
    services.seed(c.seeded);
    services.visit("c00000", 4);
    if (c.twist == Twist::HtmlPage) services.answerPageNext(1);
    const std::string file = test::RelocatedStarter(c.file, services.base(), dir);
    if (c.twist == Twist::NoPagePlaceholder) {
      Text text = dir.read("Plug/" + c.file);
      text.replace(text.find("&skip=$Skip$"), 12, "");
      dir.write("Plug/" + c.file, text);
    }
    const std::string key = c.twist == Twist::WrongKey ? "wr0ng-key" : kLinkServiceKey;
    const ShortenTrace trace = TraceList(file, Inputs(services, c.file, key));
    const std::string shown = FormatTrace(trace, "没有得到链接列表");
    EXPECT_EQ(trace.linkCameOut(), std::string(c.shown).find("没有得到") == std::string::npos) << shown;
    for (std::string part : Split(c.shown, "|")) {
      for (std::size_t at; (at = part.find("{base}")) != std::string::npos;) part.replace(at, 6, services.base());
      EXPECT_NE(shown.find(part), std::string::npos) << part << "\n" << shown;
    }
    EXPECT_EQ(shown.find(key), std::string::npos) << shown;
    EXPECT_LE(services.requests().size(), 1u) << "one exchange: the next page is only named";
    if (c.twist == Twist::NoPagePlaceholder) {  // the whole listing stops there too, its first page kept
      const LinkListing listing = ListAllLinks({"Kutt", file, Inputs(services, c.file, key), {}});
      EXPECT_EQ(listing.links.size(), 50u);
      EXPECT_NE(listing.error.find("第 2 页无从请求"), std::string::npos) << listing.error;
      EXPECT_EQ(services.requests().size(), 2u);
    }
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
    const ShortenTrace trace = TraceDelete(file, ref, Inputs(services, c.file, kLinkServiceKey));
    const std::string shown = FormatTrace(trace, "没有删除");
    EXPECT_EQ(trace.linkCameOut(), c.deleted) << shown;
    EXPECT_NE(shown.find(c.shown), std::string::npos) << shown;
    EXPECT_EQ(shown.find(kLinkServiceKey), std::string::npos) << shown;
    // Only a delete that was sent reaches the service; a second trace of a deleted link is refused there.
    if (c.deleted) {
      EXPECT_FALSE(TraceDelete(file, ref, Inputs(services, c.file, kLinkServiceKey)).linkCameOut());
    }
  }
}

}  // namespace
}  // namespace pindle
