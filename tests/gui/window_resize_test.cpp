#include <gtest/gtest.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <cstdlib>

#include "app/gui/window_placement.h"
#include "config/app_paths.h"
#include "config/settings.h"
#include "platform/codepage.h"
#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

QRect PlaceOf(WindowFixture& f, const char* name) {
  auto* tabs = f.find<QTabWidget>("功能选择");
  auto* widget = f.find<QWidget>(name);
  const QPoint corner = tabs->isAncestorOf(widget) ? widget->mapTo(tabs, QPoint(0, 0)) : widget->pos();
  return QRect(corner, widget->size());
}

void ResizeTo(WindowFixture& f, QSize size) {
  f.window().resize(size);
  QCoreApplication::processEvents();
}

TEST(WindowResize, ListsAndBoxesGrowButtonsKeepToTheRightEdge) {
  WindowActions noActions;
  WindowFixture f(noActions);
  // 304 more pixels wide and 328 higher; on the 生成 page a third of the height (109) goes to
  // the long-URL box, the rest to the result list.
  struct Case {
    const char* name;
    QRect base, grown;
  } cases[] = {
      {"功能选择", {0, 0, 296, 372}, {0, 0, 600, 700}},
      {"状态条", {0, 351, 294, 20}, {0, 679, 598, 20}},
      {"生成_长网址", {5, 34, 284, 96}, {5, 34, 588, 205}},
      {"生成_批量接口", {123, 138, 90, 28}, {427, 247, 90, 28}},
      {"生成_生成按钮", {219, 137, 70, 28}, {523, 246, 70, 28}},
      {"生成_结果列表", {5, 172, 284, 173}, {5, 281, 588, 392}},
      {"插件_更新", {152, 38, 65, 25}, {456, 38, 65, 25}},
      {"插件_刷新", {225, 38, 65, 25}, {529, 38, 65, 25}},
      {"插件_插件列表", {6, 70, 284, 274}, {6, 70, 588, 602}},
      {"设定_总在最前", {72, 36, 104, 20}, {72, 36, 104, 20}},
      {"设定_双击复制", {72, 119, 104, 20}, {72, 119, 104, 20}},
      {"关于_软件说明", {5, 34, 285, 311}, {5, 34, 589, 639}},
  };
  auto* results = f.find<QTreeWidget>("生成_结果列表");
  auto* plugins = f.find<QTreeWidget>("插件_插件列表");
  // Growing, shrinking below the smallest size (which is the base size) and growing again.
  for (const QSize size : {QSize(600, 700), QSize(100, 100), QSize(600, 700), QSize(296, 372)}) {
    SCOPED_TRACE(size.width());
    ResizeTo(f, size);
    const bool grown = size.width() > 296;
    EXPECT_EQ(f.window().size(), grown ? size : MainWindow::kBaseSize);
    for (const Case& c : cases) {
      SCOPED_TRACE(c.name);
      EXPECT_EQ(PlaceOf(f, c.name), grown ? c.grown : c.base);
    }
    // Grown, the last shown column takes the spare width, so the list needs no sideways
    // scrolling; the others and the hidden ones keep theirs.
    EXPECT_EQ(results->columnWidth(0), 84);
    EXPECT_EQ(results->columnWidth(1), grown ? results->viewport()->width() - 84 : 170);
    // A list on a page not shown hears of its new size when the page shows.
    f.showPageOf(plugins);
    QCoreApplication::processEvents();
    EXPECT_EQ(plugins->columnWidth(4), 70);
    EXPECT_EQ(plugins->columnWidth(5), 80);
    EXPECT_TRUE(plugins->isColumnHidden(6));
    EXPECT_EQ(plugins->columnWidth(7), grown ? plugins->viewport()->width() - 350 : 130);
    if (grown) {
      EXPECT_FALSE(plugins->horizontalScrollBar()->isVisible());
    }
    f.showPageOf(results);
  }
}

TEST(WindowResize, TheLastColumnMakesRoomForTheVerticalScrollBar) {
  WindowActions noActions;
  WindowFixture f(noActions);
  ResizeTo(f, {500, 450});
  auto* results = f.find<QTreeWidget>("生成_结果列表");
  f.showPageOf(results);
  const int before = results->columnWidth(1);
  for (int i = 0; i < 40; ++i)
    results->addTopLevelItem(new QTreeWidgetItem({QStringLiteral("is.gd"), QStringLiteral("x")}));
  ASSERT_TRUE(SpinUntil([&] { return results->verticalScrollBar()->isVisible(); }));
  QCoreApplication::processEvents();
  EXPECT_LT(results->columnWidth(1), before);
  EXPECT_EQ(results->columnWidth(0) + results->columnWidth(1), results->viewport()->width());
  EXPECT_FALSE(results->horizontalScrollBar()->isVisible());
}

TEST(WindowResize, MaximisedTheStatusBarSpansTheScreen) {
  WindowActions noActions;
  WindowFixture f(noActions);
  f.window().showMaximized();
  ASSERT_TRUE(SpinUntil([&] { return f.window().width() > 296; }));
  const QSize size = f.window().size();
  EXPECT_EQ(PlaceOf(f, "状态条"), QRect(0, size.height() - 21, size.width() - 2, 20));
  EXPECT_EQ(PlaceOf(f, "生成_生成按钮").right(), size.width() - 8);
}

TEST(WindowPlacement, ParsedOnlyWhenWhole) {
  struct Case {
    const char* text;
    std::optional<WindowPlacement> placement;
  } cases[] = {
      {"10,20,400,500", WindowPlacement{{10, 20, 400, 500}, false}},
      {"-1200, 5, 300, 372,max", WindowPlacement{{-1200, 5, 300, 372}, true}},
      {"", std::nullopt},
      {"10,20,400", std::nullopt},
      {"10,20,0,500", std::nullopt},
      {"10,20,400,500,min", std::nullopt},
      {"a,20,400,500", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ParseWindowPlacement(c.text), c.placement);
    if (c.placement) {
      EXPECT_EQ(ParseWindowPlacement(FormatWindowPlacement(*c.placement)), c.placement);
    }
  }
}

TEST(WindowPlacement, FittedOntoTheScreenItMostlyLiesOn) {
  const QList<QRect> screens{{0, 0, 1280, 800}, {1280, 0, 1024, 768}};
  const QSize minimum(296, 372);
  struct Case {
    const char* name;
    QRect wanted, fitted;
  } cases[] = {
      {"inside", {100, 100, 400, 500}, {100, 100, 400, 500}},
      {"past the right edge", {1000, 100, 400, 500}, {880, 100, 400, 500}},
      {"mostly on the second", {1100, 50, 400, 500}, {1280, 50, 400, 500}},
      {"on a screen now gone", {5000, 3000, 400, 500}, {880, 300, 400, 500}},
      {"larger than its screen", {1300, -50, 2000, 2000}, {1280, 0, 1024, 768}},
      {"above and left", {-500, -500, 400, 500}, {0, 0, 400, 500}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(FitOnScreens(c.wanted, screens, minimum), c.fitted);
  }
  // A screen smaller than the window's smallest size keeps the corner with the title bar on it.
  EXPECT_EQ(FitOnScreens({50, 50, 400, 500}, {{0, 0, 200, 300}}, minimum), QRect(0, 0, 296, 372));
}

TEST(WindowPlacement, StoredOnlyWhenChangedAndRestoredOntoAScreen) {
  WindowActions noActions;
  WindowFixture f(noActions);
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  f.window().setGeometry(screen.left() + 30, screen.top() + 40, 350, 420);
  QCoreApplication::processEvents();
  StoreWindowPlacement(f.window());
  const Text stored = Settings::read(kSoftwareSection, kWindowPlacementKey);
  EXPECT_EQ(ParseWindowPlacement(stored), (WindowPlacement{f.window().geometry(), false}));
  EXPECT_EQ(f.window().size(), QSize(350, 420));

  // An unchanged place is not written again.
  f.dir().write("Setting.ini", Utf8ToGbk("[软件设定]\r\n窗口位置=" + stored + "\r\n"));
  const std::string before = f.dir().read("Setting.ini");
  StoreWindowPlacement(f.window());
  EXPECT_EQ(f.dir().read("Setting.ini"), before);

  // Restored far off every screen, it comes back onto one, at its stored size.
  Settings::write(kSoftwareSection, kWindowPlacementKey, "90000,90000,500,450");
  MainWindow restored(noActions);
  RestoreWindowPlacement(restored);
  EXPECT_EQ(restored.size(), QSize(500, 450));
  EXPECT_TRUE(screen.contains(restored.geometry())) << restored.geometry().x() << "," << restored.geometry().y();

  // Nothing stored, or something unreadable: the base size.
  Settings::write(kSoftwareSection, kWindowPlacementKey, "broken");
  MainWindow unchanged(noActions);
  RestoreWindowPlacement(unchanged);
  EXPECT_EQ(unchanged.size(), MainWindow::kBaseSize);
}

TEST(WindowPlacementDeathTest, ClosingStoresThePlaceBeforeTheProgramEnds) {
  // The child runs this test again from the start: it takes the parent's folder from the
  // environment it inherits.
  TempDir dir;
  if (!std::getenv("PINDLE_CLOSE_TEST_DIR")) setenv("PINDLE_CLOSE_TEST_DIR", dir.path().c_str(), 1);
  const std::string shared = std::getenv("PINDLE_CLOSE_TEST_DIR");
  EXPECT_EXIT(
      {
        WindowActions noActions;
        WindowFixture f(noActions);
        SetPaths(AppPaths::FromProgramDirectory(shared));
        f.window().resize(410, 520);
        QCoreApplication::processEvents();
        f.window().close();
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(0), "");
  unsetenv("PINDLE_CLOSE_TEST_DIR");
  SetPaths(AppPaths::FromProgramDirectory(dir.path()));
  const auto placement = ParseWindowPlacement(Settings::read(kSoftwareSection, kWindowPlacementKey));
  ASSERT_TRUE(placement.has_value()) << dir.read("Setting.ini");
  EXPECT_EQ(placement->geometry.size(), QSize(410, 520));
}

}  // namespace
}  // namespace pindle::test
