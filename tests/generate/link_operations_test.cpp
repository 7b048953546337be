#include "generate/link_operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <set>

#include "generate/shorten_engine.h"
#include "tests/support/link_services.h"
#include "tests/support/plugin_files.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

using test::kLinkServiceKey;

struct Starter {
  const char* file;
  const char* keyField;
  bool lists, deletes;
  const char* goneWords;  // what the service says of a link that is gone
  const char* badKeyWords;
};
const Starter kStarters[] = {
    {"kutt.json", "Key", true, true, "HTTP 500：Link could not be found.", "HTTP 401：Unauthorized."},
    {"shlink.json", "Key", true, true, "HTTP 404：No URL found with short code",
     "HTTP 401：Provided API key does not exist"},
    {"yourls.json", "Signature", false, false, "HTTP 404：Error: short URL not found", "HTTP 403：Please log in"},
    {"bitly.json", "Token", true, true, "HTTP 404：NOT_FOUND", "HTTP 403：FORBIDDEN"},
};

ShortenInputs Inputs(const test::LinkServices& services, const char* keyField, const std::string& key) {
  ShortenInputs inputs;
  inputs.fieldValues = {{"Server", services.base()}, {"Domain", "127.0.0.1"}, {"Group", "Bg1"}, {keyField, key}};
  inputs.secrets = {key};
  inputs.verifyTls = true;
  return inputs;
}

// Each starter against the imitation of its service: a link made keeps the service's id, its
// clicks are counted, the list is followed over every page, and a deleted link is gone.
TEST(LinkOperations, StartersAgainstImitationsOfTheirServices) {
  for (const Starter& s : kStarters) {
    SCOPED_TRACE(s.file);
    test::TempDir dir;
    test::LinkServices services;
    services.seed(120);  // three pages of 50
    const std::string file = test::RelocatedStarter(s.file, services.base(), dir);
    LinkTask task{"P", file, Inputs(services, s.keyField, kLinkServiceKey), {}};

    JsonDocument document;
    const ShortenRequest create = PrepareShorten(file, "http://127.0.0.1/long/一", document, task.inputs);
    ASSERT_TRUE(create.send) << create.notSentReason;
    const WebResponse made = WebRequest(create.request);
    Text reason;
    task.ref.link = FinishShorten(create, made, &reason);
    ASSERT_EQ(reason, "");
    task.ref.serviceId = ServiceIdOf(create, made);
    const std::string code = "c00120";
    EXPECT_EQ(task.ref.link, services.base() + "/" + code);
    if (std::string(s.file) == "kutt.json") {
      EXPECT_EQ(task.ref.serviceId, "00000000-0000-4000-8000-000000000120");
    }

    services.visit(code, 3);
    LinkOutcome clicks = FetchClicks(task);
    EXPECT_TRUE(clicks.ok) << clicks.error;
    EXPECT_EQ(clicks.clicks.value_or(-1), 3);
    if (std::string(s.file) == "kutt.json") {  // a month by day, today's visits last
      ASSERT_EQ(clicks.series.size(), 30u);
      EXPECT_EQ(clicks.series.back(), (DayClicks{LocalDay(std::time(nullptr)), 3}));
    }
    if (std::string(s.file) == "bitly.json") {  // the days add up to the count
      ASSERT_EQ(clicks.series.size(), 1u);
      EXPECT_EQ(clicks.series.back(), (DayClicks{LocalDay(std::time(nullptr)), 3}));
    }

    const LinkListing listing = ListAllLinks(task);
    if (s.lists) {
      EXPECT_TRUE(listing.ok()) << listing.error;
      ASSERT_EQ(listing.links.size(), 121u);
      std::set<std::string> shorts;
      for (const ListedLink& l : listing.links) shorts.insert(l.shortLink);
      EXPECT_EQ(shorts.size(), 121u) << "a page was asked twice";
      EXPECT_EQ(listing.links.back().longUrl, "http://127.0.0.1/long/一");
      EXPECT_FALSE(listing.links.back().serviceId.empty());
    } else {
      EXPECT_EQ(listing.error, "P 插件不能列出短网址（服务没有提供列表接口）");
    }

    const size_t before = services.requests().size();
    const LinkOutcome deleted = DeleteLink(task);
    if (s.deletes) {
      EXPECT_TRUE(deleted.ok) << deleted.error;
      const LinkOutcome gone = FetchClicks(task);
      EXPECT_FALSE(gone.ok);
      EXPECT_EQ(gone.error.rfind(s.goneWords, 0), 0u) << gone.error;
      EXPECT_FALSE(DeleteLink(task).ok);
    } else {
      EXPECT_EQ(deleted.error, "P 插件不能删除短网址（服务没有提供删除接口）");
      EXPECT_EQ(services.requests().size(), before) << "nothing is sent";
      services.visit("c00000");
      task.ref.link = services.base() + "/c00000";
      EXPECT_EQ(FetchClicks(task).clicks.value_or(-1), 1);
      task.ref.link = services.base() + "/nope";
      EXPECT_EQ(FetchClicks(task).error.rfind(s.goneWords, 0), 0u) << FetchClicks(task).error;
    }

    // A wrong key: the service's words, never the key sent.
    LinkTask wrong = task;
    wrong.inputs = Inputs(services, s.keyField, "wrong-key");
    wrong.ref.link = services.base() + "/c00001";
    wrong.ref.serviceId = "00000000-0000-4000-8000-000000000001";
    const LinkOutcome refused = FetchClicks(wrong);
    EXPECT_EQ(refused.error.rfind(s.badKeyWords, 0), 0u) << refused.error;
    EXPECT_EQ(refused.error.find("wrong-key"), std::string::npos);
  }
}

TEST(LinkOperations, RequestsNotSent) {
  test::TempDir dir;
  test::LinkServices services;
  const std::string kutt = test::RelocatedStarter("kutt.json", services.base(), dir);
  struct Case {
    const char* what;
    std::string file;
    LinkRef ref;
    std::string reason;
  } cases[] = {
      {"an id the history lacks", kutt, {services.base() + "/c1", ""}, "不知道这个短网址在服务端的编号"},
      {"no plug-in for the link", "", {services.base() + "/c1", "x"}, "历史记录里没有生成这个短网址的插件"},
      {"a plug-in without the section",
       test::WritePlugin(dir, "plain.json", {.name = "Plain", .path = services.base() + "/x?"}),
       {services.base() + "/c1", "x"},
       "Plain 插件不能查询点击数"},
  };
  for (const Case& c : cases) {
    const LinkOutcome o = FetchClicks({"Plain", c.file, Inputs(services, "Key", kLinkServiceKey), c.ref});
    EXPECT_EQ(o.error.rfind(c.reason, 0), 0u) << c.what << ": " << o.error;
  }
  EXPECT_TRUE(services.requests().empty());
}

// A section's key goes only to the origin of the plug-in's own address.
TEST(LinkOperations, ASectionElsewhereGetsNoKey) {
  test::TempDir dir;
  test::LinkServices services;
  std::string text = test::PluginJson({.name = "K",
                                       .type = "POST",
                                       .path = services.base() + "/api/v2/links",
                                       .data = "{}",
                                       .headers = "X-API-KEY: $Field:Key$",
                                       .fields = R"([{"Name":"Key","Label":"k","Secret":true}])"});
  std::string elsewhere = services.base();
  elsewhere.replace(elsewhere.find("127.0.0.1"), 9, "127.0.0.2");
  text.insert(text.rfind('}'),
              R"(,"Stats":{"Type":"GET","API Path":")" + elsewhere + R"(/s?","Data":"k=$Field:Key$","Clicks":"n"})");
  dir.write("Plug/k.json", text);
  const LinkOutcome o = FetchClicks(
      {"K", dir.file("Plug/k.json"), Inputs(services, "Key", kLinkServiceKey), {services.base() + "/c1", ""}});
  EXPECT_FALSE(o.ok);
  EXPECT_NE(o.error.find("127.0.0.2"), std::string::npos) << o.error;
  EXPECT_EQ(o.error.find(kLinkServiceKey), std::string::npos);
}

// The code the imitation gives its i-th seeded link.
std::string SeededCode(int i) {
  char code[16];
  std::snprintf(code, sizeof code, "c%05d", i);
  return code;
}

// Counting tasks for the first `n` seeded links of the Shlink imitation.
std::vector<LinkTask> ShlinkTasks(test::LinkServices& services, const std::string& file, int n) {
  std::vector<LinkTask> tasks;
  for (int i = 0; i < n; ++i)
    tasks.push_back(
        {"Shlink", file, Inputs(services, "Key", kLinkServiceKey), {services.base() + "/" + SeededCode(i), ""}});
  return tasks;
}

TEST(LinkOperations, ManyLinksInParallelKeepTheirOrder) {
  test::TempDir dir;
  test::LinkServices services;
  services.seed(40);
  const std::string file = test::RelocatedStarter("shlink.json", services.base(), dir);
  std::vector<LinkTask> tasks = ShlinkTasks(services, file, 40);
  for (int i = 0; i < 40; ++i) services.visit(SeededCode(i), i);
  tasks.push_back({"?", "", {}, {services.base() + "/unknown", ""}});  // no plug-in: nothing sent
  int last = 0;
  std::set<size_t> reported;
  const std::vector<LinkOutcome> outcomes =
      FetchAllClicks(tasks, 8, [&](size_t task, const LinkOutcome& outcome, int finished) {
        if (task < 40) {
          EXPECT_EQ(outcome.clicks.value_or(-1), static_cast<std::int64_t>(task));
        }
        reported.insert(task);
        last = finished;
      });
  ASSERT_EQ(outcomes.size(), 41u);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(outcomes[i].clicks.value_or(-1), i) << i;
  EXPECT_FALSE(outcomes[40].ok);
  EXPECT_EQ(last, 41);
  EXPECT_EQ(reported.size(), 41u);
}

// Clicks of many links wait out a service that asks for it, as a batch does, and a stop ends
// the fetch at once with the links not counted named stopped.
TEST(LinkOperations, ManyLinksWaitForABusyServiceAndStop) {
  test::TempDir dir;
  test::LinkServices services;
  services.seed(6);
  const std::string file = test::RelocatedStarter("shlink.json", services.base(), dir);
  std::vector<LinkTask> tasks = ShlinkTasks(services, file, 6);
  services.refuseNext(2, "1");  // 429 with Retry-After: 1, twice
  const auto begun = std::chrono::steady_clock::now();
  const std::vector<LinkOutcome> outcomes = FetchAllClicks(tasks, 4);
  EXPECT_GE(std::chrono::steady_clock::now() - begun, std::chrono::milliseconds(900));
  for (const LinkOutcome& o : outcomes) EXPECT_TRUE(o.ok) << o.error;

  services.refuseNext(1, "100");  // a wait the stop cuts short
  int polls = 0;
  const std::vector<LinkOutcome> stopped = FetchAllClicks(tasks, 1, {}, [&] { return ++polls > 3; });
  EXPECT_FALSE(stopped.back().ok);
  EXPECT_EQ(stopped.back().error, "已停止");
}

}  // namespace
}  // namespace pindle
