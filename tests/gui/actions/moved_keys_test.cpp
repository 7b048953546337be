#include "app/gui/actions/moved_keys.h"

#include <gtest/gtest.h>

#include "config/app_paths.h"
#include "config/plugin_config_file.h"
#include "platform/memory_controls.h"
#include "tests/support/plugin_files.h"

namespace pindle {
namespace {

// The window's question about a key whose plug-in now points elsewhere, on the in-memory controls:
// asked once per plug-in and address, 确认 binds, 取消 is remembered, a box closed unanswered is not.
TEST(MovedKeys, AskedOnceAndAnsweredForGood) {
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  const std::string file = test::WritePlugin(dir, "k.json",
                                             {.name = "Keyed",
                                              .path = "http://127.0.0.2:8080/api?",
                                              .headers = "Authorization: Bearer $Field:Token$",
                                              .fields = R"([{"Name": "Token", "Secret": true}])"});
  const std::string free = test::WritePlugin(dir, "f.json", {.name = "Free", .path = "http://127.0.0.1:8080/f?"});
  ASSERT_EQ(PluginConfigFile(Paths().deployDir, "Keyed").write("Token", "k", true), "");
  PluginConfigFile origins(Paths().deployDir, "Keyed", kSecretOriginsSection);
  ASSERT_EQ(origins.write("Token", "http://127.0.0.1:8080"), "");

  MemoryControls ui;
  int answer = kNoticeTimedOut;
  ui.setNoticeAnswer([&](const Notice&) { return answer; });
  AskAboutMovedKeys(ui, {free, file, file});
  ASSERT_EQ(ui.notices().size(), 1u);
  const Notice asked = ui.notices()[0];
  EXPECT_EQ(asked.buttons, kButtonsOkCancel);
  EXPECT_EQ(asked.okText, "确认");
  EXPECT_LE(asked.timeoutMs, 0);
  EXPECT_NE(asked.message.find("已从 127.0.0.1 改为 127.0.0.2"), Text::npos) << asked.message;
  EXPECT_NE(asked.message.find("pindle config Keyed --trust"), Text::npos) << asked.message;
  // Closed without an answer: asked again next time.
  answer = kNoticeCancel;
  AskAboutMovedKeys(ui, {file});
  EXPECT_EQ(ui.notices().size(), 2u);
  // 取消: not asked again while the window runs; the key stays bound where it was given.
  answer = kNoticeOk;
  AskAboutMovedKeys(ui, {file});
  EXPECT_EQ(ui.notices().size(), 2u);
  EXPECT_EQ(origins.read("Token"), "http://127.0.0.1:8080");
  // Another window asks anew; 确认 binds the key to the new address.
  MemoryControls other;
  other.setNoticeAnswer([](const Notice&) { return kNoticeOk; });
  AskAboutMovedKeys(other, {file});
  EXPECT_EQ(other.notices().size(), 1u);
  EXPECT_EQ(origins.read("Token"), "http://127.0.0.2:8080");
  EXPECT_NE(other.statusText().find("Keyed 的密钥只发往 http://127.0.0.2:8080"), Text::npos) << other.statusText();
  AskAboutMovedKeys(other, {file});
  EXPECT_EQ(other.notices().size(), 1u);
  SetPaths({});
}

}  // namespace
}  // namespace pindle
