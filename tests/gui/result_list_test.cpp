#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QTreeWidget>
#include <mutex>

#include "app/gui/actions/program_actions.h"
#include "platform/shell_open.h"
#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

class ResultListTest : public ::testing::Test {
 protected:
  ResultListTest() : f(actions) {
    list = f.find<QTreeWidget>("生成_结果列表");
    menu = f.find<QMenu>("生成菜单");
    copy = menu->findChild<QAction*>(QStringLiteral("复制网址"));
    open = menu->findChild<QAction*>(QStringLiteral("打开网址"));
    f.ui().resultList().setRows(
        {{"甲", "http://t.cn/A1"}, {"乙", "数据错误！"}, {"丙", "HTTP://T.CN/A3"}, {"丁", "服务返回：http 不通"}});
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  }
  ~ResultListTest() override { menu->hide(); }

  // Right-clicks a row (-1: below the rows) and tells whether 生成菜单 came up.
  bool MenuAfterRightClick(int row) {
    menu->hide();
    RightClickRow(list, row);
    return SpinUntil([this] { return menu->isVisible(); }, std::chrono::milliseconds(200));
  }

  ProgramActions actions;
  WindowFixture f;
  QTreeWidget* list;
  QMenu* menu;
  QAction* copy;
  QAction* open;
};

TEST_F(ResultListTest, RightClickWithoutARowShowsNoMenuAndChangesNoItem) {
  copy->setEnabled(false);
  EXPECT_FALSE(MenuAfterRightClick(-1));
  EXPECT_EQ(f.ui().resultList().selectedRow(), -1);
  EXPECT_FALSE(copy->isEnabled());
  EXPECT_TRUE(open->isEnabled());
}

// The one link test decides: letter case of the scheme aside, and not whatever mentions "http".
TEST_F(ResultListTest, MenuItemsAreEnabledOnlyForALink) {
  const struct {
    int row;
    bool enabled;
  } rows[] = {{0, true}, {1, false}, {2, true}, {3, false}, {0, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.row);
    EXPECT_TRUE(MenuAfterRightClick(row.row));
    EXPECT_EQ(f.ui().resultList().selectedRow(), row.row);
    EXPECT_EQ(copy->isEnabled(), row.enabled);
    EXPECT_EQ(open->isEnabled(), row.enabled);
  }
  // A press below the rows drops the selection, so no menu comes.
  EXPECT_FALSE(MenuAfterRightClick(-1));
}

TEST_F(ResultListTest, CopyAndOpenTheSelectedLink) {
  std::mutex mutex;
  std::vector<Text> opened;
  SetShellOpenHandler([&](const Text& target) {
    std::lock_guard lock(mutex);
    opened.push_back(target);
    return true;
  });
  ASSERT_TRUE(MenuAfterRightClick(0));
  copy->trigger();
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("http://t.cn/A1"));
  EXPECT_EQ(f.ui().statusText(), "网址已复制到剪辑板");
  open->trigger();
  EXPECT_EQ(opened, std::vector<Text>{"http://t.cn/A1"});
  EXPECT_EQ(f.ui().statusText(), "已打开短网址");
  SetShellOpenHandler(nullptr);
}

TEST_F(ResultListTest, DoubleClickCopiesOnlyWhileTheSwitchIsOn) {
  const Text welcome = f.ui().statusText();
  DoubleClickRow(list, 0);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  EXPECT_EQ(f.ui().statusText(), welcome) << "not even a status text";

  f.find<QCheckBox>("设定_双击复制")->setChecked(true);
  DoubleClickRow(list, 2);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("HTTP://T.CN/A3"));
  EXPECT_EQ(f.ui().statusText(), "网址已复制到剪辑板");

  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  DoubleClickRow(list, -1);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before")) << "no row, no copy";
}

}  // namespace
}  // namespace pindle::test
