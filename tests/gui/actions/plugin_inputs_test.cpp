#include "secrets/plugin_inputs.h"

#include <gtest/gtest.h>

#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/program_actions.h"
#include "config/app_paths.h"
#include "config/plugin_config_file.h"
#include "platform/background.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"

namespace pindle {
namespace {

// The window's 生成 takes the values stored for the plug-in's fields; one without a value stops
// the line before anything is sent.
TEST(PluginInputs, StoredValuesReachTheWindowsGeneration) {
  test::TempDir dir;
  test::LoopbackShortener service;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  test::WritePlugin(dir, "p.json",
                    {.name = "P",
                     .path = service.base() + "/create.php?format=simple&",
                     .data = "team=$Field:Team$&url=$Url$",
                     .fields = R"([{"Name": "Team", "Label": "团队"}, {"Name": "Unused"}])"});
  ProgramActions actions;
  struct Case {
    std::optional<Text> stored;
    Text sent;  // the target, empty when nothing goes out
    Text row;
  } cases[] = {
      {std::nullopt, "", ""},
      // Without "Encoding" a GBK file sends its values in code page 936, as it sends its own texts.
      {"队 1", "/create.php?format=simple&team=%B6%D3%201&url=%68%74%74%70%73%3A%2F%2F%61", service.shortFor(1)},
  };
  for (const auto& c : cases) {
    if (c.stored) {
      ASSERT_EQ(PluginConfigFile(Paths().deployDir, "P").write("Team", *c.stored), "");
    }
    const ShortenInputs inputs = StoredPluginInputs(dir.file("Plug/p.json"), Paths().deployDir);
    EXPECT_EQ(inputs.fieldValues.count("Team"), c.stored ? 1u : 0u);
    EXPECT_TRUE(inputs.secrets.empty());
    EXPECT_EQ(HasEveryUsedField(PluginDefinition::FromFile(dir.file("Plug/p.json")), inputs), c.stored.has_value());
    MemoryControls ui;
    PluginRegistry::load(ui);
    ui.pluginChoice().setCurrentIndex(0);
    ui.longUrlBox().setText("https://a");
    service.clearRequests();
    actions.generateClicked(ui);
    ASSERT_TRUE(WaitForDetached(std::chrono::seconds(30)));
    ASSERT_EQ(service.requests().size(), c.sent.empty() ? 0u : 1u);
    if (!c.sent.empty()) {
      EXPECT_EQ(service.requests()[0].target, c.sent);
    }
    ASSERT_EQ(ui.results().rows().size(), 1u);
    EXPECT_EQ(ui.results().rows()[0][1], c.row);
    // Without a value the form was asked for first (answered 取消 here), and the reason names the
    // window's way to set it.
    EXPECT_EQ(ui.valueForms().size(), c.stored ? 0u : 1u);
    if (!c.stored) {
      EXPECT_NE(ui.statusText().find("缺少配置：团队（在插件页右键该插件，选“修改配置”）"), Text::npos)
          << ui.statusText();
    }
  }
  SetPaths(AppPaths{});
}

}  // namespace
}  // namespace pindle
