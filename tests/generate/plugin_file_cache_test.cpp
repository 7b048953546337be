#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "generate/shorten_engine.h"
#include "tests/support/plugin_files.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// A batch's lines each see the plug-in file as it is when they start, whatever the edit: written
// in place at once (same size, same second), replaced by a rename, removed, put back.
TEST(PluginFileCache, EveryLineSeesTheFileAsItIsNow) {
  test::TempDir dir;
  const std::string file = test::WritePlugin(dir, "p.json", {.path = "http://127.0.0.1:1/a?"});
  const auto at = [](const char* path) { return test::PluginFields{.path = path}; };
  const struct {
    const char* name;
    std::function<void()> edit;
    const char* wanted;  // the request's address; empty: nothing is sent
  } steps[] = {
      {"as written", [] {}, "http://127.0.0.1:1/a?url=%68"},
      {"unchanged", [] {}, "http://127.0.0.1:1/a?url=%68"},
      {"rewritten in place, same size", [&] { test::WritePlugin(dir, "p.json", at("http://127.0.0.1:1/b?")); },
       "http://127.0.0.1:1/b?url=%68"},
      {"replaced by a rename",
       [&] {
         test::WritePlugin(dir, "q.json", at("http://127.0.0.1:2/c?"));
         std::filesystem::rename(dir.file("Plug/q.json"), file);
       },
       "http://127.0.0.1:2/c?url=%68"},
      {"removed", [&] { std::filesystem::remove(file); }, ""},
      {"back again", [&] { test::WritePlugin(dir, "p.json", at("http://127.0.0.1:1/d?")); },
       "http://127.0.0.1:1/d?url=%68"},
  };
  PluginFileCache cache;
  for (const auto& step : steps) {
    SCOPED_TRACE(step.name);
    step.edit();
    const ShortenRequest prepared = cache.prepare(file, "h", {});
    EXPECT_EQ(prepared.send ? prepared.request.url : "", step.wanted);
  }
}

}  // namespace
}  // namespace pindle
