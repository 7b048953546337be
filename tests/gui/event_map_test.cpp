#include <gtest/gtest.h>

#include <QCheckBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

// Every event of the window reaches its action, and only that one.
TEST(EventMap, EachEventCallsItsAction) {
  RecordingActions actions;
  WindowFixture f(actions);
  f.ui().resultList().setRows({{"甲", "http://t.cn/A1"}});
  f.ui().pluginList().setRows({{"甲", "是", "无", "1", "某", "2020", "/p/a.json"}});
  auto* resultMenu = f.find<QMenu>("生成菜单");
  auto* pluginMenu = f.find<QMenu>("插件菜单");
  auto click = [&](const char* name) {
    auto* button = f.find<QAbstractButton>(name);
    f.showPageOf(button);
    if (button->isVisible()) {
      QTest::mouseClick(button, Qt::LeftButton);
    } else {
      button->click();  // created hidden; its action is bound all the same
    }
  };
  auto choose = [&](QMenu* menu, const char* item) { menu->findChild<QAction*>(QString::fromUtf8(item))->trigger(); };
  auto list = [&](const char* name) {
    auto* view = f.find<QTreeWidget>(name);
    f.showPageOf(view);
    return view;
  };

  const struct {
    const char* label;
    std::function<void()> event;
    std::vector<std::string> want;
  } rows[] = {
      {"生成", [&] { click("生成_生成按钮"); }, {"generateClicked"}},
      {"result right-click", [&] { RightClickRow(list("生成_结果列表"), 0); }, {"resultRightClicked"}},
      {"result double-click", [&] { DoubleClickRow(list("生成_结果列表"), 0); }, {"resultDoubleClicked"}},
      {"复制网址", [&] { choose(resultMenu, "复制网址"); }, {"copyUrlChosen"}},
      {"打开网址", [&] { choose(resultMenu, "打开网址"); }, {"openUrlChosen"}},
      {"plug-in right-click", [&] { RightClickRow(list("插件_插件列表"), 0); }, {"pluginRightClicked"}},
      {"plug-in double-click", [&] { DoubleClickRow(list("插件_插件列表"), 0); }, {"pluginDoubleClicked"}},
      {"double-click below the rows", [&] { DoubleClickRow(list("插件_插件列表"), -1); }, {"pluginDoubleClicked"}},
      {"刷新", [&] { click("插件_刷新"); }, {"refreshClicked"}},
      {"更新", [&] { click("插件_更新"); }, {"pullClicked"}},
      {"开启插件", [&] { choose(pluginMenu, "开启插件"); }, {"enablePluginChosen"}},
      {"关闭插件", [&] { choose(pluginMenu, "关闭插件"); }, {"disablePluginChosen"}},
      {"修改配置 (disabled)", [&] { choose(pluginMenu, "修改配置"); }, {}},
      {"更新插件", [&] { choose(pluginMenu, "更新插件"); }, {"updatePluginChosen"}},
      {"编辑插件", [&] { choose(pluginMenu, "编辑插件"); }, {"editPluginChosen"}},
      {"删除插件", [&] { choose(pluginMenu, "删除插件"); }, {"deletePluginChosen"}},
      {"插件说明", [&] { choose(pluginMenu, "插件说明"); }, {}},
      {"总在最前", [&] { click("设定_总在最前"); }, {"settingBoxClicked:0"}},
      {"自动更新 (disabled)", [&] { click("设定_自动更新"); }, {}},
      {"自动加载", [&] { click("设定_自动加载"); }, {"settingBoxClicked:2"}},
      {"双击切换", [&] { click("设定_双击切换"); }, {"settingBoxClicked:3"}},
      {"双击复制", [&] { click("设定_双击复制"); }, {"settingBoxClicked:4"}},
      {"忽略证书错误", [&] { click("设定_忽略证书"); }, {"settingBoxClicked:5"}},
      {"反馈", [&] { click("设定_反馈按钮"); }, {"feedbackClicked"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.label);
    const size_t before = actions.events().size();
    row.event();
    const auto events = actions.events();
    EXPECT_EQ(std::vector<std::string>(events.begin() + static_cast<std::ptrdiff_t>(before), events.end()), row.want);
    resultMenu->hide();
    pluginMenu->hide();
  }
}

TEST(EventMap, RightClickShowsTheMenuOnlyWhenTheActionSaysSo) {
  RecordingActions actions;
  WindowFixture f(actions);
  f.ui().pluginList().setRows({{"甲", "是"}});
  auto* list = f.find<QTreeWidget>("插件_插件列表");
  auto* menu = f.find<QMenu>("插件菜单");
  f.showPageOf(list);
  actions.showMenus = false;
  RightClickRow(list, 0);
  EXPECT_FALSE(SpinUntil([&] { return menu->isVisible(); }, std::chrono::milliseconds(100)));
  actions.showMenus = true;
  RightClickRow(list, 0);
  EXPECT_TRUE(SpinUntil([&] { return menu->isVisible(); }, std::chrono::milliseconds(500)));
  // Hidden items never show, whatever their state.
  menu->findChild<QAction*>(QStringLiteral("修改配置"))->setEnabled(true);
  EXPECT_FALSE(menu->findChild<QAction*>(QStringLiteral("修改配置"))->isVisible());
  menu->hide();
}

}  // namespace
}  // namespace pindle::test
