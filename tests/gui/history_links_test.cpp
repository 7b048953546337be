#include <gtest/gtest.h>

#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/program_actions.h"
#include "app/gui/clicks_chart.h"
#include "app/gui/history_page.h"
#include "app/gui/notice_box.h"
#include "history/history_store.h"
#include "platform/files.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/link_services.h"

namespace pindle::test {
namespace {

// The 历史 page's operations on its links, through the Kutt starter against the loopback Kutt.
class HistoryLinksTest : public ::testing::Test {
 protected:
  HistoryLinksTest() : f(actions) {
    services.seed(4);  // c00000 … c00003, as if made here (c00003: made elsewhere, for the sync)
    const std::string file = RelocatedStarter("kutt.json", services.base(), f.dir());
    Text text = *ReadWholeFile(file, 1 << 20);
    for (size_t at; (at = text.find("$Field:Key$")) != Text::npos;) text.replace(at, 11, kLinkServiceKey);
    f.dir().write("Plug/kutt.json", text);
    PluginRegistry::show(f.ui(),
                         PluginCatalog({{.name = "Kutt", .switchState = "是", .version = "1.0", .path = file}}));
    std::vector<HistoryEntry> made;
    for (int i = 0; i < 3; ++i)
      made.push_back({0, 10 + i, "Kutt", "http://127.0.0.1/seeded/" + std::to_string(i), link(i), "", id(i)});
    // A link the service no longer has: its reason shows, its row stays.
    made.push_back({0, 20, "Kutt", "http://127.0.0.1/gone", link(9), "", id(9)});
    EXPECT_TRUE(HistoryStore(HistoryFile(Paths())).append(made));
    list = f.find<QTreeWidget>("历史_列表");
    page = f.window().findChild<HistoryPage*>();
    f.showPageOf(list);
    QCoreApplication::processEvents();
  }
  ~HistoryLinksTest() override { f.find<QMenu>("历史菜单")->hide(); }

  std::string link(int i) const {
    char code[16];
    std::snprintf(code, sizeof code, "/c%05d", i);
    return services.base() + code;
  }
  static std::string id(int i) {
    char text[40];
    std::snprintf(text, sizeof text, "00000000-0000-4000-8000-%012d", i);
    return text;
  }
  QTreeWidgetItem* row(int i) {
    const auto rows = list->findItems(QString::fromStdString(link(i)), Qt::MatchExactly, HistoryPage::LinkColumn);
    return rows.isEmpty() ? nullptr : rows.first();
  }
  Text clicks(int i) { return row(i) ? row(i)->text(HistoryPage::ClicksColumn).toStdString() : "(no row)"; }
  void choose(const char* action) {
    f.find<QAction>(action)->trigger();
    ASSERT_TRUE(SpinUntil([&] { return page->running() == 0; }));
  }

  LinkServices services;
  ProgramActions actions;
  WindowFixture f;
  QTreeWidget* list;
  HistoryPage* page;
};

TEST_F(HistoryLinksTest, RefreshClicksFillsTheColumnTheHistoryAndTheChart) {
  services.visit("c00001", 5);
  services.visit("c00002", 2);
  // No row selected: every row shown.
  QTest::mouseClick(f.find<QPushButton>("历史_刷新点击"), Qt::LeftButton);
  ASSERT_TRUE(SpinUntil([&] { return page->running() == 0; }));
  EXPECT_EQ(clicks(0), "0");
  EXPECT_EQ(clicks(1), "5");
  EXPECT_EQ(clicks(2), "2");
  EXPECT_EQ(clicks(9), "");
  EXPECT_EQ(row(9)->toolTip(HistoryPage::LinkColumn).toStdString(), "刷新点击失败：HTTP 500：Link could not be found.");
  EXPECT_EQ(f.ui().statusText(), "刷新点击完成：成功 3 个，失败 1 个（HTTP 500：Link could not be found.）");
  EXPECT_EQ(HistoryStore(HistoryFile(Paths())).findLink(link(1))->clicks.value_or(-1), 5);
  EXPECT_TRUE(f.find<QPushButton>("历史_刷新点击")->isEnabled());

  // The selected row alone, and its chart: a month by day, today's visits last.
  services.visit("c00001", 1);
  list->clearSelection();
  row(1)->setSelected(true);
  choose("刷新点击");
  EXPECT_EQ(clicks(1), "6");
  EXPECT_EQ(clicks(2), "2");
  EXPECT_EQ(f.ui().statusText(), "刷新点击完成：" + link(1));
  const auto& days = f.find<ClicksChart>("历史_点击图表")->shownDays();
  ASSERT_EQ(days.size(), 30u);
  EXPECT_EQ(days.back().clicks, 6);
  row(2)->setSelected(true);
  row(1)->setSelected(false);
  EXPECT_EQ(days.size(), 30u) << "c00002 has its own series from the first refresh";
  EXPECT_EQ(days.back().clicks, 2);
  // The history keeps each series for the next start.
  const auto kept = HistoryStore(HistoryFile(Paths())).clickSeries({link(1), link(2), link(9)});
  ASSERT_EQ(kept.size(), 2u);
  EXPECT_EQ(kept.at(link(1)).back().clicks, 6);
  EXPECT_EQ(kept.at(link(2)).size(), 30u);
}

// Before the plug-in list is loaded no plug-in speaks for a link: the window says what to do
// there (the command line names -p instead), and nothing is sent.
TEST_F(HistoryLinksTest, RefreshBeforeThePluginsAreLoadedSaysToLoadThem) {
  PluginRegistry::show(f.ui(), PluginCatalog(std::vector<PluginInfo>{}));
  list->clearSelection();
  row(1)->setSelected(true);
  choose("刷新点击");
  EXPECT_EQ(f.ui().statusText(),
            "刷新点击失败：" + link(1) +
                "：历史记录里没有生成这个短网址的插件（插件页刷新插件列表后再试，或插件已不在列表中）");
  EXPECT_TRUE(services.requests().empty());
}

// A series fetched by an earlier run (or by `pindle stats`) is drawn before any refresh.
TEST_F(HistoryLinksTest, ChartShowsTheSeriesTheHistoryKept) {
  const std::vector<DayClicks> before{{"2026-12-08", 4}, {"2026-12-09", 0}, {"2026-12-10", 1}};
  ASSERT_TRUE(HistoryStore(HistoryFile(Paths())).setClickSeries({{link(1), before}}));
  const auto& days = f.find<ClicksChart>("历史_点击图表")->shownDays();
  const struct {
    int row;
    std::vector<DayClicks> shown;
  } cases[] = {{1, before}, {0, {}}, {1, before}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.row);
    list->clearSelection();
    row(c.row)->setSelected(true);
    EXPECT_EQ(days, c.shown);
  }
  EXPECT_TRUE(services.requests().empty());
}

TEST_F(HistoryLinksTest, DeleteAsksFirstAndKeepsTheRowMarked) {
  row(2)->setSelected(true);
  const size_t before = services.requests().size();
  NoticeBox::setNextAnswer(kNoticeCancel);
  choose("删除短网址");
  EXPECT_EQ(services.requests().size(), before) << "nothing is sent without a yes";
  EXPECT_EQ(f.ui().statusText(), "没有删除短网址");

  NoticeBox::setNextAnswer(kNoticeOk);
  choose("删除短网址");
  EXPECT_EQ(services.requests().back(), "DELETE /api/v2/links/" + id(2));
  EXPECT_EQ(clicks(2), "已删除");
  EXPECT_EQ(HistoryStore(HistoryFile(Paths())).findLink(link(2))->state, LinkState::Deleted);
  EXPECT_EQ(f.ui().statusText(), "删除短网址完成：" + link(2));
  // 刷新点击 of every row passes over the deleted one.
  list->clearSelection();
  const size_t sent = services.requests().size();
  QTest::mouseClick(f.find<QPushButton>("历史_刷新点击"), Qt::LeftButton);
  ASSERT_TRUE(SpinUntil([&] { return page->running() == 0; }));
  EXPECT_EQ(services.requests().size(), sent + 3);
  EXPECT_EQ(clicks(2), "已删除");
  // A link the service has not: the service's words, the row as it was.
  list->clearSelection();
  row(9)->setSelected(true);
  NoticeBox::setNextAnswer(kNoticeOk);
  choose("删除短网址");
  EXPECT_EQ(clicks(9), "");
  EXPECT_EQ(f.ui().statusText(), "删除短网址失败：" + link(9) + "：HTTP 400：Could not find the link.");
}

TEST_F(HistoryLinksTest, SyncAddsTheLinksTheHistoryLacks) {
  // The sub-menu offers the plug-ins with a list, as loaded when the menu opens.
  RightClickRow(list, -1);
  ASSERT_TRUE(SpinUntil([&] { return f.find<QMenu>("历史菜单")->isVisible(); }));
  f.find<QMenu>("历史菜单")->hide();
  ASSERT_NE(f.find<QAction>("同步_Kutt"), nullptr);
  choose("同步_Kutt");
  EXPECT_EQ(f.ui().statusText(), "同步服务端链接：Kutt 共 4 个，新增 1 个");
  ASSERT_NE(row(3), nullptr);
  EXPECT_EQ(HistoryStore(HistoryFile(Paths())).findLink(link(3))->state, LinkState::Found);
  EXPECT_EQ(list->topLevelItemCount(), 5);
  choose("同步_Kutt");
  EXPECT_EQ(f.ui().statusText(), "同步服务端链接：Kutt 共 4 个，新增 0 个");
  EXPECT_EQ(list->topLevelItemCount(), 5);
}

// No two controls of the 历史 page overlap, at the base size and grown.
TEST_F(HistoryLinksTest, PageControlsDoNotOverlap) {
  for (const QSize size : {MainWindow::kBaseSize, QSize(700, 600)}) {
    f.window().resize(size);
    QCoreApplication::processEvents();
    std::vector<QWidget*> shown;
    for (QWidget* w : list->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
      if (!w->isHidden()) shown.push_back(w);
    ASSERT_GE(shown.size(), 5u);
    for (size_t i = 0; i < shown.size(); ++i)
      for (size_t j = i + 1; j < shown.size(); ++j)
        EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
            << shown[i]->objectName().toStdString() << " and " << shown[j]->objectName().toStdString() << " at "
            << size.width();
  }
}

}  // namespace
}  // namespace pindle::test
