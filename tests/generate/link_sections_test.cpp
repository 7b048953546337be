#include "generate/link_sections.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// A plug-in whose only section is a GET with these keys, and a service's 200 answer.
PluginDefinition WithSection(const std::string& section, const std::string& keys) {
  return PluginDefinition::FromText(R"({"Name":"P",")" + section + R"(":{"Type":"GET",)" + keys + "}}");
}
WebResponse Answer(const std::string& body) {
  WebResponse response;
  response.status = 200;
  response.body = body;
  return response;
}

TEST(LinkSections, ALinkNamesItsParts) {
  struct Case {
    LinkRef ref;
    const char *code, *host;
  } cases[] = {
      {{"https://s.test/abc", "id-1"}, "abc", "s.test"},
      {{"http://127.0.0.1:8080/x/y?z=1", ""}, "x/y", "127.0.0.1"},
      {{"bit.ly/Ab1", ""}, "Ab1", "bit.ly"},
  };
  for (const Case& c : cases) {
    const auto values = LinkPlaceholders(c.ref);
    EXPECT_EQ(values.at("$Code$"), c.code) << c.ref.link;
    EXPECT_EQ(values.at("$Host$"), c.host) << c.ref.link;
    EXPECT_EQ(values.at("$Id$"), c.ref.serviceId);
  }
}

// Pages end where the service's list ends: a short page, the total reached, or no next address.
TEST(LinkSections, ListPagesEndWhereTheListEnds) {
  struct Case {
    const char* what;
    const char* keys;  // the List section's answer keys
    const char* answer;
    std::int64_t skip;
    size_t links;
    bool more;
    const char* error;
  } cases[] = {
      {"a full page", R"("Items":"d","Short":"s","PageSize":"2")", R"({"d":[{"s":"a"},{"s":"b"}]})", 0, 2, true, ""},
      {"a short page", R"("Items":"d","Short":"s","PageSize":"2")", R"({"d":[{"s":"a"}]})", 2, 1, false, ""},
      {"the total reached", R"("Items":"d","Short":"s","PageSize":"2","Total":"t")",
       R"({"t":4,"d":[{"s":"a"},{"s":"b"}]})", 2, 2, false, ""},
      {"no page size: one page", R"("Items":"d","Short":"s")", R"({"d":[{"s":"a"}]})", 0, 1, false, ""},
      {"a next address", R"("Items":"d","Short":"s","Next":"n")", R"({"n":"http://127.0.0.1/2","d":[{"s":"a"}]})", 0, 1,
       true, ""},
      {"an empty next address", R"("Items":"d","Short":"s","Next":"n")", R"({"n":"","d":[{"s":"a"}]})", 0, 1, false,
       ""},
      {"the answer is the array", R"("Short":"s")", R"([{"s":"a"},{"x":1}])", 0, 1, false, ""},
      {"no array", R"("Items":"d","Short":"s")", R"({"d":{}})", 0, 0, false, "服务的回答里没有链接列表"},
      {"no JSON", R"("Items":"d","Short":"s")", "<html>", 0, 0, false, "JSON解析失败"},
  };
  for (const Case& c : cases) {
    const ListPage page = ReadListPage(WithSection("List", c.keys), {}, Answer(c.answer), c.skip);
    EXPECT_EQ(page.links.size(), c.links) << c.what;
    EXPECT_EQ(page.more, c.more) << c.what;
    EXPECT_EQ(page.error, c.error) << c.what;
  }
}

TEST(LinkSections, CountsAsServicesWriteThem) {
  const struct {
    const char* text;
    std::optional<std::int64_t> count;
  } cases[] = {{"2", 2},
               {" 17 ", 17},
               {"0", 0},
               {"", std::nullopt},
               {"-1", std::nullopt},
               {"1.5", std::nullopt},
               {"JSON解析失败", std::nullopt},
               {"9999999999999999999", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(ReadCount(c.text), c.count) << c.text;
}

// Stats.Clicks where the answer has it; without it, a series adds up its days (Bitly's clicks by
// day since the link was made), an empty one to 0; neither: the service's words.
TEST(LinkSections, ClicksFromTheCountOrTheDays) {
  const struct {
    const char* keys;
    const char* answer;
    std::optional<std::int64_t> clicks;
    const char* error;
  } cases[] = {
      {R"("Clicks":"total_clicks")", R"({"total_clicks":7})", 7, ""},
      {R"("Clicks":"n","Series":"d")", R"({"n":2,"d":[5,5]})", 2, ""},
      {R"("Series":"link_clicks","SeriesDate":"date","SeriesCount":"clicks")",
       R"({"link_clicks":[{"clicks":4,"date":"2026-12-10T00:00:00+0000"},{"clicks":3,"date":"2026-11-02T00:00:00+0000"}]})",
       7, ""},
      {R"("Series":"link_clicks")", R"({"link_clicks":[]})", 0, ""},
      {R"("Series":"link_clicks")", R"({"message":"NOT_FOUND"})", std::nullopt, "服务没有返回点击数：NOT_FOUND"},
      {R"("Clicks":"total_clicks")", R"({"units":-1})", std::nullopt, R"(服务没有返回点击数：{"units":-1})"},
  };
  for (const auto& c : cases) {
    Text error;
    EXPECT_EQ(ReadClicks(WithSection("Stats", c.keys), ShortenRequest{}, Answer(c.answer), error), c.clicks)
        << c.keys << " " << c.answer;
    EXPECT_EQ(error, c.error) << c.answer;
  }
}

}  // namespace
}  // namespace pindle
