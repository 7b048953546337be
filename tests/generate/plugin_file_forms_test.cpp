#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generate/shorten_engine.h"
#include "plugins/plugin_definition.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// Plug-in files as people wrote them for a script engine: each one is read key by key and then
// used against a real service. ENDPOINT stands for the service's address.
TEST(PluginFileForms, ObjectLiteralFilesReadAndShorten) {
  struct Case {
    const char* form;
    std::string file;
    bool usable;
  };
  const std::vector<Case> cases = {
      {"strict JSON",
       R"({"Name":"短链","Version":"1.0","API":{"Type":"GET","API Path":"ENDPOINT/api/shorten?","Data":"url=$Url$"},
           "Response":{"Type":"1","Parameter":"data.short"}})",
       true},
      {"comments",
       "// 示例插件\n{\"Name\":\"短链\", /* 版本 */ \"Version\":\"1.0\",\n\"API\":{\"Type\":\"GET\", // 方法\n"
       "\"API Path\":\"ENDPOINT/api/shorten?\",\"Data\":\"url=$Url$\"},\"Response\":{\"Type\":\"1\","
       "\"Parameter\":\"data.short\"}}",
       true},
      {"single quotes",
       R"({'Name':'短链','Version':'1.0','API':{'Type':'GET','API Path':'ENDPOINT/api/shorten?','Data':'url=$Url$'},
           'Response':{'Type':'1','Parameter':'data.short'}})",
       true},
      {"bare names and trailing commas",
       R"({Name:"短链",Version:"1.0",API:{Type:"GET","API Path":"ENDPOINT/api/shorten?",Data:"url=$Url$",},
           Response:{Type:1,Parameter:"data.short",},})",
       true},
      {"raw tab and lone surrogate in a listing text",
       "{\"Name\":\"短链\",\"Version\":\"1.0\",\"Author\":\"a\tb\\ud83d\",\"API\":{\"Type\":\"GET\","
       "\"API Path\":\"ENDPOINT/api/shorten?\",\"Data\":\"url=$Url$\"},\"Response\":{\"Type\":\"1\","
       "\"Parameter\":\"data.short\"}}",
       true},
      // Still no plug-in: every key reads empty and nothing is sent.
      {"script", R"({Name:"短链",API:{Type:(function(){return "GET"})()}})", false},
      {"unclosed comment", R"({"Name":"短链" /* ,"API":{"Type":"GET"}})", false},
      {"unclosed string", R"({'Name':'短链,"API":{"Type":"GET"}})", false},
      {"undefined value", R"({Name:"短链",Version:undefined,API:{Type:"GET"}})", false},
  };
  test::LoopbackShortener server;
  test::TempDir dir;
  for (const auto& c : cases) {
    std::string file = c.file;
    for (size_t at; (at = file.find("ENDPOINT")) != std::string::npos;) file.replace(at, 8, server.base());
    dir.write("p.json", file);
    const PluginDefinition plugin = PluginDefinition::FromFile(dir.file("p.json"));
    EXPECT_EQ(plugin.parsed(), c.usable) << c.form;
    EXPECT_EQ(plugin.name(), c.usable ? "短链" : "") << c.form;
    EXPECT_EQ(plugin.version(), c.usable ? "1.0" : "") << c.form;
    EXPECT_EQ(plugin.apiType(), c.usable ? "GET" : "") << c.form;
    EXPECT_EQ(plugin.apiPath(), c.usable ? server.base() + "/api/shorten?" : "") << c.form;
    EXPECT_EQ(plugin.responseType(), c.usable ? "1" : "") << c.form;
    EXPECT_EQ(plugin.responseParameter(), c.usable ? "data.short" : "") << c.form;

    server.clearRequests();
    JsonDocument document;
    const Text result = ShortenOne(dir.file("p.json"), "http://a.example/x", document);
    const auto seen = server.requests();
    ASSERT_EQ(seen.size(), c.usable ? 1u : 0u) << c.form;
    if (!c.usable) {
      EXPECT_EQ(result, "") << c.form;
      continue;
    }
    EXPECT_EQ(seen[0].target, "/api/shorten?url=%68%74%74%70%3A%2F%2F%61%2E%65%78%61%6D%70%6C%65%2F%78") << c.form;
    EXPECT_EQ(result.rfind(server.base() + "/s/", 0), 0u) << c.form << ": " << result;
  }
  // The listing texts keep what the file said, the cut emoji as a replacement character.
  dir.write("p.json", cases[4].file);
  EXPECT_EQ(PluginDefinition::FromFile(dir.file("p.json")).author(), "a\tb\xEF\xBF\xBD");
}

}  // namespace
}  // namespace pindle
