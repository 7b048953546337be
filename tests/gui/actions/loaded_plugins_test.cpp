#include "app/gui/actions/loaded_plugins.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <vector>

#include "app/gui/actions/memory_controls.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "plugins/plugin_catalog.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// The loaded plug-ins answer by row as the list shows them; a row they do not hold (a stale
// selection after a reload) answers nothing and changes nothing.
TEST(LoadedPluginsTest, RowsNamesAndFilesAnswerAsLoaded) {
  MemoryControls ui;
  LoadedPlugins& loaded = LoadedPluginsOf(ui);
  EXPECT_EQ(&loaded, &LoadedPluginsOf(ui));  // one per window
  loaded.replace(PluginCatalog({{.name = "Abc", .switchState = kSwitchOn, .path = "/p/abc.json"},
                                {.name = "abc", .switchState = kSwitchOff, .path = "/p/abc2.json"},
                                {.name = "Xyz", .switchState = kSwitchOn, .path = "/p/xyz.json"}}));
  struct Row {
    Text name;
    int row;
  };
  const std::vector<Row> names = {{"Abc", 0}, {"abc", 1}, {"XYZ", 2}, {"ABC", 0}, {"", -1}, {"none", -1}};
  for (const Row& r : names) EXPECT_EQ(loaded.find(r.name), r.row) << r.name;
  const std::vector<Row> files = {{"/p/abc2.json", 1}, {"/p/xyz.json", 2}, {"/p/ABC.json", -1}, {"", -1}};
  for (const Row& r : files) EXPECT_EQ(loaded.rowOfFile(r.name), r.row) << r.name;

  const std::uint64_t before = loaded.revision();
  for (const int row : {-1, 3, 100}) {
    EXPECT_FALSE(loaded.at(row).has_value()) << row;
    loaded.setSwitch(row, kSwitchOff);
    loaded.setHealth(row, {"失败（2026-12-09）", ""});
  }
  EXPECT_EQ(loaded.revision(), before);
  loaded.setSwitch(2, kSwitchOff);
  loaded.setHealth(0, {"失败（2026-12-09）", "tip"});
  EXPECT_GT(loaded.revision(), before);
  EXPECT_EQ(loaded.at(2)->switchState, kSwitchOff);
  EXPECT_TRUE(loaded.at(0)->health.dead());
  EXPECT_EQ(loaded.catalog().enabled().size(), 1u);
  EXPECT_EQ(loaded.at(1)->path, "/p/abc2.json");  // the others as they were
}

}  // namespace
}  // namespace pindle
