#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QFontInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRegularExpression>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>

#include "config/app_paths.h"
#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

struct ControlRow {
  const char* name;
  const char* kind;  // Qt class the control must be
  const char* caption;
  QRect place;  // relative to the tab control for page controls, else to the client area
  bool hidden;
  bool enabled;
};

// clang-format off
const ControlRow kControls[] = {
    {"功能选择", "QTabWidget", "", {0, 0, 296, 372}, false, true},
    {"状态条", "QStatusBar", "", {0, 351, 294, 20}, false, true},
    {"生成_长网址", "QPlainTextEdit", "", {5, 34, 284, 96}, false, true},
    {"生成_批量开关", "QCheckBox", "批量生成", {5, 138, 72, 25}, true, true},
    {"生成_批量接口", "QComboBox", "", {123, 138, 90, 28}, false, true},
    {"生成_生成按钮", "QPushButton", "生成", {219, 137, 70, 28}, false, true},
    {"生成_结果列表", "QTreeWidget", "", {5, 172, 284, 173}, false, true},
    {"生成_打开CSV", "QPushButton", "打开 CSV…", {5, 137, 84, 28}, false, true},
    {"插件_更新", "QPushButton", "更新", {152, 38, 65, 25}, false, true},
    {"插件_刷新", "QPushButton", "刷新", {225, 38, 65, 25}, false, true},
    {"透明标签", "QLabel", "", {3, 71, 290, 25}, false, true},
    {"插件_插件列表", "QTreeWidget", "", {6, 70, 284, 274}, false, true},
    {"设定_标签", "QLabel", "软件设置：", {9, 36, 63, 20}, false, true},
    {"设定_总在最前", "QCheckBox", "总在最前显示", {72, 36, 104, 20}, false, true},
    {"设定_自动更新", "QCheckBox", "自动更新插件信息", {72, 56, 144, 20}, false, false},
    {"设定_自动加载", "QCheckBox", "自动加载插件", {72, 76, 104, 20}, false, true},
    {"设定_双击切换", "QCheckBox", "双击切换插件开关", {72, 96, 120, 20}, false, true},
    {"设定_双击复制", "QCheckBox", "双击复制短网址", {72, 119, 104, 20}, false, true},
    {"设定_忽略证书", "QCheckBox", "忽略证书错误", {72, 142, 104, 20}, false, true},
    {"设定_备用插件", "QPushButton", "备用插件…", {200, 140, 88, 24}, false, true},
    {"设定_反馈标签", "QLabel", "反馈内容：", {8, 227, 63, 20}, true, true},
    {"设定_反馈内容", "QPlainTextEdit", "", {72, 227, 216, 77}, true, true},
    {"设定_反馈按钮", "QPushButton", "反馈", {224, 311, 64, 32}, true, true},
    {"关于_软件说明", "QPlainTextEdit", "", {5, 34, 285, 311}, false, true},
};
// clang-format on

QString CaptionOf(QWidget* widget) {
  if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  return {};
}

TEST(WindowLayout, EveryControlHasItsKindPlaceCaptionAndState) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* tabs = f.find<QTabWidget>("功能选择");
  ASSERT_NE(tabs, nullptr);
  for (const ControlRow& row : kControls) {
    SCOPED_TRACE(row.name);
    auto* widget = f.find<QWidget>(row.name);
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(widget->inherits(row.kind)) << widget->metaObject()->className();
    EXPECT_EQ(CaptionOf(widget), QString::fromUtf8(row.caption));
    const bool onPage = tabs->isAncestorOf(widget);
    const QPoint corner = onPage ? widget->mapTo(tabs, QPoint(0, 0)) : widget->pos();
    EXPECT_EQ(QRect(corner, widget->size()), row.place);
    EXPECT_EQ(widget->isHidden(), row.hidden);
    EXPECT_EQ(widget->isEnabled(), row.enabled);
  }
}

// What a page shows stands apart, at the base size and grown (the 插件 page's label lies under its
// list by design; the 设定 page has its own test, beside the desktop's boxes).
TEST(WindowLayout, ShownControlsOfAPageDoNotOverlap) {
  WindowActions noActions;
  WindowFixture f(noActions);
  const struct {
    const char* control;  // one control of the page
    QSize size;
  } cases[] = {
      {"生成_打开CSV", MainWindow::kBaseSize}, {"生成_打开CSV", {700, 600}},
      {"历史_导出", MainWindow::kBaseSize},    {"历史_导出", {700, 600}},
      {"关于_软件说明", {700, 600}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.control) + " at " + std::to_string(c.size.width()));
    f.window().resize(c.size);
    QCoreApplication::processEvents();
    QWidget* page = f.find<QWidget>(c.control)->parentWidget();
    std::vector<QWidget*> shown;
    for (QWidget* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (!w->isHidden()) shown.push_back(w);
    ASSERT_FALSE(shown.empty());
    for (size_t i = 0; i < shown.size(); ++i)
      for (size_t j = i + 1; j < shown.size(); ++j)
        EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
            << shown[i]->objectName().toStdString() << " and " << shown[j]->objectName().toStdString();
  }
}

TEST(WindowLayout, WindowTabsAndStatusBar) {
  WindowActions noActions;
  WindowFixture f(noActions);
  MainWindow& window = f.window();
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Pindle v2.4.4.1"));
  EXPECT_EQ(window.size(), QSize(296, 372));
  // It first shows at its base size, which is also its smallest; it can grow (see the resize tests).
  EXPECT_EQ(window.minimumSize(), QSize(296, 372));
  EXPECT_GT(window.maximumSize().width(), 296);
  EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
  EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));

  auto* tabs = f.find<QTabWidget>("功能选择");
  ASSERT_EQ(tabs->count(), 5);
  const QStringList captions{"生成", "插件", "设定", "关于", "历史"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(tabs->tabText(i), captions[i]);
  EXPECT_EQ(tabs->tabPosition(), QTabWidget::North);

  EXPECT_TRUE(f.find<QStatusBar>("状态条")->currentMessage().contains(QStringLiteral("Pindle")));
  EXPECT_TRUE(f.ui().statusText().find("Pindle") != Text::npos);
  EXPECT_EQ(window.findChild<QObject*>(QStringLiteral("拖放对象"))->parent(), &window);
}

TEST(WindowLayout, FontsAreTheChineseFaceAtTwelveAndFourteenPixels) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* tabs = f.find<QTabWidget>("功能选择");
  EXPECT_EQ(tabs->font().pixelSize(), 14);
  EXPECT_EQ(tabs->font().families().value(0), QStringLiteral("微软雅黑"));
  for (const char* name :
       {"生成_长网址", "生成_生成按钮", "插件_插件列表", "设定_总在最前", "关于_软件说明", "状态条"}) {
    SCOPED_TRACE(name);
    QWidget* widget = f.find<QWidget>(name);
    EXPECT_EQ(widget->font().pixelSize(), 12);
    // Whatever face stands in must hold Chinese.
    const QString family = QFontInfo(widget->font()).family();
    EXPECT_TRUE(family.contains(QStringLiteral("CJK")) || family.contains(QStringLiteral("雅黑")) ||
                family.contains(QStringLiteral("YaHei")) || family.contains(QStringLiteral("Hei")))
        << family.toStdString();
  }
}

struct ColumnRow {
  const char* header;
  int width;
};

void ExpectColumns(QTreeWidget* list, const std::vector<ColumnRow>& columns) {
  ASSERT_EQ(list->columnCount(), static_cast<int>(columns.size()));
  for (int i = 0; i < list->columnCount(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(list->headerItem()->text(i), QString::fromUtf8(columns[i].header));
    EXPECT_EQ(list->isColumnHidden(i), columns[i].width == 0);
    if (columns[i].width > 0) {
      EXPECT_EQ(list->columnWidth(i), columns[i].width);
    }
  }
  EXPECT_EQ(list->topLevelItemCount(), 0);
}

TEST(WindowLayout, ListColumnsAndWidths) {
  WindowActions noActions;
  WindowFixture f(noActions);
  ExpectColumns(f.find<QTreeWidget>("生成_结果列表"), {{"接口", 84}, {"短网址", 170}});
  ExpectColumns(f.find<QTreeWidget>("插件_插件列表"), {{"接口", 80},
                                                       {"启用", 50},
                                                       {"配置", 0},
                                                       {"版本", 70},
                                                       {"作者", 70},
                                                       {"更新日期", 80},
                                                       {"插件路径", 0},
                                                       {"状态", 130},
                                                       {"状态说明", 0}});
  // A dated outcome is read whole, not cut to "失败（2026-12…".
  auto* plugins = f.find<QTreeWidget>("插件_插件列表");
  const int margins = 2 * plugins->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, plugins) + 8;
  EXPECT_LE(plugins->fontMetrics().horizontalAdvance(QStringLiteral("失败（2026-12-09）")) + margins,
            plugins->columnWidth(7));
}

struct MenuRow {
  const char* caption;  // empty: a separator
  bool visible;
  bool enabled;
};

void ExpectMenu(QMenu* menu, const std::vector<MenuRow>& items) {
  ASSERT_NE(menu, nullptr);
  const auto actions = menu->actions();
  ASSERT_EQ(actions.size(), static_cast<qsizetype>(items.size()));
  for (size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    QAction* action = actions[static_cast<qsizetype>(i)];
    const QString caption = QString::fromUtf8(items[i].caption);
    EXPECT_EQ(action->isSeparator(), caption.isEmpty());
    EXPECT_EQ(action->text(), caption);
    if (!caption.isEmpty()) {
      EXPECT_EQ(action->objectName(), caption);
    }
    EXPECT_EQ(action->isVisible(), items[i].visible);
    // Qt reports every hidden action as disabled; the state that counts is the Controls' one.
    if (items[i].visible) {
      EXPECT_EQ(action->isEnabled(), items[i].enabled);
    }
  }
}

TEST(WindowLayout, PopUpMenusAndTheirItems) {
  WindowActions noActions;
  WindowFixture f(noActions);
  ExpectMenu(f.find<QMenu>("生成菜单"), {{"复制网址", true, true},
                                         {"打开网址", true, true},
                                         {"停止生成", true, false},
                                         {"", true, true},
                                         {"二维码", true, true},
                                         {"展开短网址", true, true},
                                         {"", true, true},
                                         {"导出结果…", true, true},
                                         {"备用插件…", true, true}});
  ExpectMenu(f.find<QMenu>("插件菜单"), {{"开启插件", true, true},
                                         {"关闭插件", true, true},
                                         {"", true, true},
                                         {"修改配置", false, false},
                                         {"更新插件", true, true},
                                         {"编辑插件", true, true},
                                         {"在窗口中编辑", true, true},
                                         {"新建插件", true, true},
                                         {"删除插件", true, true},
                                         {"检测插件", true, true},
                                         {"插件说明", false, true}});
  EXPECT_FALSE(f.find<QMenu>("生成菜单")->isVisible());
  EXPECT_FALSE(f.ui().menuItem(MenuItem::ModifyConfig).isEnabled());
}

TEST(WindowLayout, AboutTextIsFixedAndReadOnly) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* about = f.find<QPlainTextEdit>("关于_软件说明");
  EXPECT_TRUE(about->isReadOnly());
  EXPECT_EQ(about->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  const QStringList lines = about->toPlainText().split(QLatin1Char('\n'));
  // clang-format off
  const QStringList head{"0 × 01 软件说明", "----------", "软件信息：", " ● 软件名称：Pindle", " ● 最新版本：2.4.4.1",
                         " ● 编译日期：2020-04-04", "",
                         "0 × 02 更新记录", "----------",
                         " ● v2.4.4.1", "  -- 修改丨云更新插件地址", "",
                         " ● v2.4.3.2"};
  // clang-format on
  ASSERT_GT(lines.size(), head.size());
  EXPECT_EQ(lines.mid(0, head.size()), head);
  EXPECT_EQ(lines.value(14), QStringLiteral("  -- 增加丨插件右键单独更新功能"));
  // Six groups, each closed by an empty line; the last entry is the oldest.
  EXPECT_EQ(lines.filter(QRegularExpression(QStringLiteral("^ ● v"))).size(), 6);
  // The fixed text ends with an empty line; a last line says where the files are.
  EXPECT_EQ(lines.value(lines.size() - 2), QString());
  EXPECT_EQ(lines.value(lines.size() - 3), QStringLiteral("  -- 修改丨关于由简单超文本框更改为编辑框"));
  const AppPaths paths = Paths();
  EXPECT_EQ(lines.last(), QStringLiteral("文件位置：设置 %1，插件 %2，配置 %3")
                              .arg(QString::fromStdString(paths.settingsFile), QString::fromStdString(paths.plugDir),
                                   QString::fromStdString(paths.deployDir)));
  EXPECT_FALSE(about->toPlainText().contains(QLatin1Char('\r')));
}

}  // namespace
}  // namespace pindle::test
