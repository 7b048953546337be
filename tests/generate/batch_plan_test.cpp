#include "generate/batch_plan.h"

#include <gtest/gtest.h>

#include "platform/codepage.h"

namespace pindle {
namespace {

PluginInfo Plugin(const Text& name, bool takesAlias = false, const Text& state = kSwitchOn) {
  PluginInfo p;
  p.name = name;
  p.switchState = state;
  p.path = "/p/" + name + ".json";
  p.usesAlias = takesAlias;
  return p;
}

const PluginCatalog kCatalog({Plugin("A"), Plugin("Alias", true), Plugin("Off", false, kSwitchOff), Plugin("B")});

// The plan of a one-line input gives that line as `wanted`, then ends.
void ExpectTheOneLine(const BatchRequest& request, const JobLine& wanted) {
  GenerationJob job = PlanBatch(request);
  const std::optional<JobLine> got = job.lines(1);
  ASSERT_TRUE(got);
  EXPECT_EQ(got->longUrl, wanted.longUrl);
  EXPECT_EQ(got->alias, wanted.alias);
  EXPECT_EQ(got->rejected, wanted.rejected);
  EXPECT_FALSE(job.lines(2));
}

// How each door's lines reach the batch: one rule, with the two doors' differences as its inputs.
TEST(BatchPlan, LinesAsEachDoorReadsThem) {
  const struct {
    const char* name;
    Text plugin;
    AliasLines aliases;
    bool readGbk;
    std::optional<Text> alias;
    Text line;
    JobLine wanted;
  } cases[] = {
      {"window: a TAB is part of the line for a plug-in without alias",
       "A",
       AliasLines::ForAliasPlugins,
       false,
       {},
       "u\tx",
       {"u\tx", "", ""}},
      {"window: URL<TAB>ALIAS for one that takes it",
       "Alias",
       AliasLines::ForAliasPlugins,
       false,
       {},
       "u\t x ",
       {"u", "x", ""}},
      {"command line: the alias refused by a plug-in without",
       "A",
       AliasLines::Always,
       true,
       {},
       "u\tx",
       {"u", "x", NoAliasReason("A")}},
      {"command line: --alias for every line", "Alias", AliasLines::Always, true, "mine", "u", {"u", "mine", ""}},
      {"command line: a GBK line",
       "A",
       AliasLines::Always,
       true,
       {},
       Utf8ToGbk("http://127.0.0.1/中"),
       {"http://127.0.0.1/中", "", ""}},
      {"command line: neither UTF-8 nor GBK", "A", AliasLines::Always, true, {}, "\xff\xfe", {"", "", kUnreadableLine}},
      {"window: bytes taken as they are", "A", AliasLines::ForAliasPlugins, false, {}, "a b", {"a b", "", ""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BatchRequest request;
    request.catalog = kCatalog;
    request.plugin = c.plugin;
    request.aliases = c.aliases;
    request.readGbkLines = c.readGbk;
    request.alias = c.alias;
    request.lines = [&](int n) { return n == 1 ? std::optional<Text>(c.line) : std::nullopt; };
    ExpectTheOneLine(request, c.wanted);
  }
}

// Lines a door split itself (a CSV's records) keep their alias, under the same alias rule.
TEST(BatchPlan, SplitLinesKeepTheAliasRules) {
  const struct {
    Text plugin;
    JobLine given, wanted;
  } cases[] = {
      {"Alias", {"u", "x", ""}, {"u", "x", ""}},
      {"A", {"u", "x", ""}, {"u", "x", NoAliasReason("A")}},
      {"A", {"u\tx", "", ""}, {"u\tx", "", ""}},  // a TAB in a field is no alias
      {"A", {"", "", kUnreadableLine}, {"", "", kUnreadableLine}},
  };
  for (const auto& c : cases) {
    BatchRequest request;
    request.catalog = kCatalog;
    request.plugin = c.plugin;
    request.aliases = AliasLines::Always;
    request.jobLines = [&](int n) { return n == 1 ? std::optional<JobLine>(c.given) : std::nullopt; };
    ExpectTheOneLine(request, c.wanted);
  }
}

// The batch's rules: a single URL goes once, one request at a time; the fallbacks are the named
// plug-ins that are there, on, and not chosen.
TEST(BatchPlan, RulesPluginsAndFallbacks) {
  Config config;
  config.concurrency = 6;
  config.verifyTls = false;
  const struct {
    const char* name;
    bool single;
    int concurrency;
    int wantedConcurrency;
    bool retry;
  } cases[] = {
      {"a single URL", true, 8, 1, false},
      {"a batch at the configured rate", false, 0, 6, true},
      {"a batch at the door's rate", false, 8, 8, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BatchRequest request;
    request.catalog = kCatalog;
    request.plugin = "a";  // any letter case
    request.fallbacks = {"无此插件", "Off", "A", "B", "b"};
    request.single = c.single;
    request.concurrency = c.concurrency;
    request.config = config;
    GenerationJob job = PlanBatch(request);
    EXPECT_EQ(job.concurrency, c.wantedConcurrency);
    EXPECT_EQ(job.retry, c.retry);
    EXPECT_FALSE(job.verifyTls);
    EXPECT_EQ(job.plugin().name, "A");
    ASSERT_EQ(job.fallbacks.size(), 1u);
    EXPECT_EQ(job.fallbacks[0].name, "B");
  }
}

// The plug-in is kept by its file: found again when the door's list changes, and ends its lines
// with a reason once the list no longer has it.
TEST(BatchPlan, ThePluginFollowsTheDoorsList) {
  std::uint64_t revision = 1;
  std::optional<PluginInfo> listed = Plugin("B");
  BatchRequest request;
  request.catalog = kCatalog;
  request.pluginFile = "/p/B.json";
  request.listed = [&](const Text& file) { return file == "/p/B.json" ? listed : std::nullopt; };
  request.revision = [&] { return revision; };
  int asked = 0;
  request.inputs = [&](const Text&) {
    ++asked;
    return ShortenInputs{};
  };
  GenerationJob job = PlanBatch(request);
  EXPECT_EQ(job.plugin().name, "B");
  EXPECT_EQ(job.plugin().name, "B");
  EXPECT_EQ(asked, 1) << "the stored values are read once while the list stays";
  listed->name = "B 改名";
  ++revision;
  EXPECT_EQ(job.plugin().name, "B 改名");
  EXPECT_EQ(job.plugin().unavailable, "");
  listed.reset();
  ++revision;
  EXPECT_EQ(job.plugin().unavailable, "插件“B 改名”已不在插件列表中，没有发送");
  EXPECT_EQ(asked, 2);
}

TEST(BatchPlan, WhichEarlierLinkALineMayReuse) {
  const struct {
    Text link, alias;
    bool reusable;
  } cases[] = {
      {"http://s/abc", "", true},       {"http://s/abc", "abc", true}, {"http://s/xabc", "abc", false},
      {"http://s/abc", "other", false}, {"abc", "abc", false},
  };
  for (const auto& c : cases) EXPECT_EQ(ReusableLink(c.link, c.alias), c.reusable) << c.link << " " << c.alias;
}

}  // namespace
}  // namespace pindle
