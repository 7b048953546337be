#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

std::vector<std::vector<Text>> PluginRows(int count) {
  std::vector<std::vector<Text>> rows;
  for (int i = 0; i < count; ++i)
    rows.push_back({"插件" + std::to_string(i), "是", "无", "1.0", "作者", "2020-04-04", "/p/" + std::to_string(i)});
  return rows;
}

TEST(QtControls, ListsFromAWorkerThread) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* view = f.find<QTreeWidget>("插件_插件列表");
  ListControl& list = f.ui().pluginList();
  ASSERT_TRUE(RunOnWorker([&] {
    list.setRows(PluginRows(1000));
    EXPECT_EQ(list.rowCount(), 1000);
    EXPECT_EQ(list.cell(999, 0), "插件999");
    EXPECT_EQ(list.cell(5, 6), "/p/5") << "hidden columns keep their data";
    EXPECT_EQ(list.cell(1000, 0), "");
    EXPECT_EQ(list.cell(0, 7), "");
    EXPECT_EQ(list.cell(-1, 0), "");
    list.setCell(3, 1, "否");
    EXPECT_EQ(list.cell(3, 1), "否");
    list.setCell(5000, 1, "否");  // no such row: nothing happens
    EXPECT_EQ(list.appendRow({"末尾"}), 1000);
    EXPECT_EQ(list.cell(1000, 0), "末尾");
    EXPECT_EQ(list.cell(1000, 3), "") << "missing cells are empty";
    EXPECT_EQ(list.selectedRow(), -1);
  }));
  EXPECT_EQ(view->topLevelItemCount(), 1001);
  view->setCurrentItem(view->topLevelItem(7));
  EXPECT_EQ(list.selectedRow(), 7);
  ASSERT_TRUE(RunOnWorker([&] {
    EXPECT_EQ(list.selectedRow(), 7);
    list.clearRows();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.selectedRow(), -1);
  }));
}

TEST(QtControls, SetRowsReplacesEveryRowAndTheSelection) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* view = f.find<QTreeWidget>("插件_插件列表");
  ListControl& list = f.ui().pluginList();
  list.setRows(PluginRows(3));
  view->setCurrentItem(view->topLevelItem(2));
  list.setRows(PluginRows(1000));
  EXPECT_EQ(list.rowCount(), 1000);
  EXPECT_EQ(list.cell(0, 0), "插件0");
  EXPECT_EQ(list.cell(2, 6), "/p/2");
  EXPECT_EQ(list.selectedRow(), -1);
  list.setRows({});
  EXPECT_EQ(view->topLevelItemCount(), 0);
}

TEST(QtControls, ChoiceKeepsExactlyTheGivenSelection) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* combo = f.find<QComboBox>("生成_批量接口");
  ChoiceControl& choice = f.ui().pluginChoice();
  const struct {
    std::vector<Text> items;
    int selected;
    int want;
  } rows[] = {
      {{"甲", "乙", "丙"}, 1, 1}, {{"甲", "乙", "丙"}, -1, -1}, {{"甲"}, 0, 0}, {{"甲", "乙"}, 5, -1}, {{}, -1, -1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.selected);
    ASSERT_TRUE(RunOnWorker([&] {
      choice.setItems(row.items, row.selected);
      EXPECT_EQ(choice.items(), row.items);
      EXPECT_EQ(choice.currentIndex(), row.want);
      EXPECT_EQ(choice.currentText(), row.want >= 0 ? row.items[static_cast<size_t>(row.want)] : Text());
    }));
    EXPECT_EQ(combo->currentIndex(), row.want);
    // On the window thread too, where Qt would choose the first item by itself.
    choice.setItems(row.items, row.selected);
    EXPECT_EQ(combo->currentIndex(), row.want);
  }
  choice.setItems({"甲", "乙"}, -1);
  ASSERT_TRUE(RunOnWorker([&] { choice.setCurrentIndex(1); }));
  EXPECT_EQ(combo->currentText(), QStringLiteral("乙"));
}

TEST(QtControls, TextsChecksMenuItemsStatusAndClipboardFromAWorker) {
  WindowActions noActions;
  WindowFixture f(noActions);
  Controls& ui = f.ui();
  ASSERT_TRUE(RunOnWorker([&] {
    ui.longUrlBox().setText("第一行\n第二行");
    EXPECT_EQ(ui.longUrlBox().text(), "第一行\n第二行");
    ui.feedbackBox().setText("反馈的话");
    EXPECT_EQ(ui.feedbackBox().text(), "反馈的话");
    ui.settingBox(SettingBox::DoubleClickToggle).setChecked(true);
    EXPECT_TRUE(ui.settingBox(SettingBox::DoubleClickToggle).isChecked());
    EXPECT_FALSE(ui.menuItem(MenuItem::ModifyConfig).isEnabled());
    // A hidden item keeps its enabled state all the same.
    ui.menuItem(MenuItem::ModifyConfig).setEnabled(true);
    EXPECT_TRUE(ui.menuItem(MenuItem::ModifyConfig).isEnabled());
    ui.menuItem(MenuItem::DisablePlugin).setEnabled(false);
    EXPECT_FALSE(ui.menuItem(MenuItem::DisablePlugin).isEnabled());
    ui.setStatusText("正在生成网址");
    EXPECT_EQ(ui.statusText(), "正在生成网址");
    ui.setClipboardText("http://t.cn/剪");
    ui.setAlwaysOnTop(true);
  }));
  EXPECT_EQ(f.find<QPlainTextEdit>("生成_长网址")->lineWrapMode(), QPlainTextEdit::NoWrap);
  EXPECT_TRUE(f.find<QCheckBox>("设定_双击切换")->isChecked());
  EXPECT_FALSE(f.find<QAction>("关闭插件")->isEnabled());
  EXPECT_FALSE(f.find<QAction>("修改配置")->isVisible());
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://t.cn/剪"));
  EXPECT_TRUE(f.window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(f.window().isVisible());
  ui.setAlwaysOnTop(false);
  EXPECT_FALSE(f.window().windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_TRUE(f.window().isVisible());
}

TEST(QtControls, DiscardFileMovesItToTheTrash) {
  WindowActions noActions;
  WindowFixture f(noActions);
  // The desktop trash of this test, not the user's.
  const QByteArray savedDataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(f.dir().file("data")));
  f.dir().write("data/.keep", "");
  f.dir().write("Plug/old.json", "{}");
  const Text path = f.dir().file("Plug/old.json");
  EXPECT_TRUE(f.ui().discardFile(path));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
  EXPECT_EQ(f.dir().read("data/Trash/files/old.json"), "{}");
  EXPECT_FALSE(f.ui().discardFile(path)) << "nothing left to discard";
  if (savedDataHome.isNull()) {
    qunsetenv("XDG_DATA_HOME");
  } else {
    qputenv("XDG_DATA_HOME", savedDataHome);
  }
}

}  // namespace
}  // namespace pindle::test
