#include "app/gui/actions/uploader_drop.h"

#include <gtest/gtest.h>

#include "app/gui/actions/memory_controls.h"
#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/program_actions.h"
#include "config/app_paths.h"
#include "platform/background.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

TEST(UploaderDrop, SxcuFilesBecomePluginsAndTheRestGoesToTheBox) {
  test::TempDir dir;
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  dir.write("good.sxcu", R"({"Name":"拖进来的","RequestMethod":"GET","RequestURL":"https://g.example/",
      "Parameters":{"u":"{input}"},"URL":"{json:link}"})");
  dir.write("bad.sxcu", R"({"Name":"Up","RequestMethod":"POST","RequestURL":"https://u.example/",
      "Body":"MultipartFormData","Arguments":{"u":"{input}"},"URL":"{header:Location}"})");
  dir.write("urls.txt", "https://a.example/1\r\nhttps://a.example/2");
  ProgramActions actions;
  struct Case {
    std::vector<std::string> dropped;
    int rows;
    std::string status, noticeHas, box;
  } cases[] = {
      {{"good.sxcu", "bad.sxcu", "urls.txt"},
       1,
       "ShareX 上传器：导入 1 个，1 个没有导入",
       "bad.sxcu：有无法表达的内容，没有写入；无法表达：结果模板 URL 用了 {header:Location}",
       "https://a.example/1\nhttps://a.example/2"},
      // Only uploader files: the long-URL box keeps what it had.
      {{"bad.sxcu"}, 0, "ShareX 上传器：导入 0 个，1 个没有导入", "bad.sxcu：", "kept"},
  };
  for (const auto& c : cases) {
    MemoryControls ui;
    ui.longUrlBox().setText("kept");
    std::vector<Text> paths;
    for (const auto& name : c.dropped) paths.push_back(dir.file(name));
    actions.filesDropped(ui, paths);
    ASSERT_TRUE(WaitForDetached(std::chrono::seconds(10)));  // the reload and report run off the window thread
    EXPECT_EQ(ui.plugins().rowCount(), c.rows);
    if (c.rows) {
      EXPECT_EQ(ui.plugins().cell(0, kPluginNameColumn), "拖进来的");
    }
    EXPECT_EQ(ui.statusText(), c.status);
    ASSERT_EQ(ui.notices().size(), 1u);
    EXPECT_NE(ui.notices()[0].message.find(c.noticeHas), Text::npos) << ui.notices()[0].message;
    EXPECT_EQ(ui.longUrlBox().text(), c.box);
  }
  SetPaths(AppPaths{});
}

}  // namespace
}  // namespace pindle
