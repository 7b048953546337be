#include "app/gui/history_page.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/program_actions.h"
#include "app/gui/actions/startup.h"
#include "config/settings.h"
#include "history/history_store.h"
#include "platform/background.h"
#include "platform/codepage.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"

namespace pindle::test {
namespace {

// The real window with one plug-in on a loopback service, loaded and chosen.
class HistoryWindowTest : public ::testing::Test {
 protected:
  HistoryWindowTest() : f(actions) {
    WritePlugin(f.dir(), "isgd.json", {.name = "Is.gd", .path = service.base() + "/create.php?format=simple&"});
    PluginRegistry::show(
        f.ui(),
        PluginCatalog(
            {{.name = "Is.gd", .switchState = "是", .version = "1.0", .path = f.dir().file("Plug/isgd.json")}}));
    f.ui().pluginChoice().setItems({"Is.gd"}, 0);
    list = f.find<QTreeWidget>("历史_列表");
    // The service numbers its links in the order requests arrive: one at a time keeps that the line order.
    Settings::write(kSoftwareSection, kConcurrencyKey, "1");
  }
  ~HistoryWindowTest() override { f.find<QMenu>("历史菜单")->hide(); }

  // 生成 over `lines`; waits for the batch to end.
  void Generate(const char* lines) {
    f.find<QPlainTextEdit>("生成_长网址")->setPlainText(QString::fromUtf8(lines));
    auto* button = f.find<QPushButton>("生成_生成按钮");
    f.showPageOf(button);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(SpinUntil([] { return WaitForDetached(std::chrono::milliseconds(0)); }));
  }
  void ShowHistory() {
    f.showPageOf(list);
    QCoreApplication::processEvents();
  }
  std::vector<Text> Column(int column) {
    std::vector<Text> cells;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
      cells.push_back(list->topLevelItem(i)->text(column).toStdString());
    return cells;
  }

  LoopbackShortener service;
  ProgramActions actions;
  WindowFixture f;
  QTreeWidget* list;
};

TEST_F(HistoryWindowTest, BatchIsRecordedSearchedCopiedExportedAndDeleted) {
  Generate("https://a.example/一\nhttps://b.example/2\n");
  EXPECT_EQ(f.ui().statusText(), "网址生成完毕!");
  ShowHistory();
  EXPECT_EQ(f.find<QTabWidget>("功能选择")->tabText(4), QStringLiteral("历史"));
  // Newest first: the later line of the batch on top.
  EXPECT_EQ(Column(HistoryPage::LinkColumn), (std::vector<Text>{service.shortFor(2), service.shortFor(1)}));
  EXPECT_EQ(Column(HistoryPage::LongUrlColumn), (std::vector<Text>{"https://b.example/2", "https://a.example/一"}));
  EXPECT_EQ(Column(HistoryPage::PluginColumn), (std::vector<Text>{"Is.gd", "Is.gd"}));

  auto* search = f.find<QLineEdit>("历史_搜索");
  for (const auto& [text, rows] :
       {std::pair{"一", 1}, std::pair{"IS.GD", 2}, std::pair{"/s/2", 1}, std::pair{"无", 0}}) {
    search->setText(QString::fromUtf8(text));
    EXPECT_EQ(list->topLevelItemCount(), rows) << text;
  }
  search->clear();

  // Double-click copies only while 设定_双击复制 is checked, as in the result list.
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  DoubleClickRow(list, 1);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  f.ui().settingBox(SettingBox::DoubleClickCopy).setChecked(true);
  DoubleClickRow(list, 1);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), service.shortFor(1));
  EXPECT_EQ(f.ui().statusText(), "网址已复制到剪辑板");

  search->setText(QStringLiteral("example/2"));
  auto* page = f.window().findChild<HistoryPage*>();
  ASSERT_TRUE(page->exportCsv(QString::fromStdString(f.dir().file("out.csv"))));
  EXPECT_EQ(f.dir().read("out.csv").rfind("\xEF\xBB\xBF时间,接口,长网址,短网址,失败原因\r\n", 0), 0u);
  EXPECT_NE(f.dir().read("out.csv").find(",Is.gd,https://b.example/2," + service.shortFor(2) + ",\r\n"),
            std::string::npos);
  EXPECT_EQ(f.dir().read("out.csv").find("a.example"), std::string::npos) << "the export follows the search";
  search->clear();

  auto* menu = f.find<QMenu>("历史菜单");
  RightClickRow(list, 0);
  ASSERT_TRUE(SpinUntil([&] { return menu->isVisible(); }));
  menu->hide();
  menu->findChild<QAction*>(QStringLiteral("二维码"))->trigger();
  auto* dialog = f.window().findChild<QDialog*>(QStringLiteral("二维码"));
  ASSERT_NE(dialog, nullptr);
  EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("二维码_文本"))->text().toStdString(), service.shortFor(2));
  dialog->close();
  menu->findChild<QAction*>(QStringLiteral("删除记录"))->trigger();
  EXPECT_EQ(Column(HistoryPage::LongUrlColumn), (std::vector<Text>{"https://a.example/一"}));
  EXPECT_EQ(HistoryStore(HistoryFile(Paths())).find("", 0).size(), 1u);
}

TEST_F(HistoryWindowTest, SwitchedOffOrUnwritableHistoryNeverStopsTheBatch) {
  auto* box = f.find<QCheckBox>("设定_记录历史");
  box->setChecked(true);
  f.showPageOf(box);
  QTest::mouseClick(box, Qt::LeftButton);  // off, and stored
  Generate("https://a/1\nhttps://a/2");
  EXPECT_EQ(f.find<QTreeWidget>("生成_结果列表")->topLevelItemCount(), 2);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(HistoryFile(Paths()))));

  QTest::mouseClick(box, Qt::LeftButton);  // on again
  f.dir().write("history.sqlite", std::string(4096, '#'));
  Generate("https://a/3\nhttps://a/4\nhttps://a/5");
  EXPECT_EQ(f.find<QTreeWidget>("生成_结果列表")->topLevelItemCount(), 3);
  EXPECT_EQ(f.find<QTreeWidget>("生成_结果列表")->topLevelItem(2)->text(1).toStdString(), service.shortFor(5));
  EXPECT_NE(f.ui().statusText().find("网址生成完毕! 历史记录未能写入"), Text::npos) << f.ui().statusText();
  ShowHistory();
  EXPECT_EQ(list->topLevelItemCount(), 0);
  EXPECT_NE(f.ui().statusText().find("历史记录无法读取"), Text::npos);
}

TEST(HistorySetting, StartUpChecksTheBoxUnlessSwitchedOff) {
  for (const auto& [ini, checked] : {std::pair{"", true}, std::pair{"记录历史=假\r\n", false},
                                     std::pair{"记录历史=真\r\n", true}, std::pair{"记录历史=否\r\n", true}}) {
    WindowActions none;
    WindowFixture f(none);
    f.dir().write("Setting.ini", Utf8ToGbk(std::string("[软件设定]\r\n") + ini));
    RunStartupTask(f.ui(), {});
    EXPECT_EQ(f.find<QCheckBox>("设定_记录历史")->isChecked(), checked) << ini;
  }
}

// Closing the window in the middle of a batch: the batch stops, and every row it showed is in the
// history, although the history is written only once a second while a batch runs.
TEST(HistoryCloseDeathTest, ClosingDuringABatchKeepsTheRowsItShowed) {
  // The death test runs this body again in a new process: the report file's name goes there
  // through the environment, and the child names its program folder and row count in it.
  constexpr const char* kReport = "PINDLE_CLOSE_TEST_REPORT";
  TempDir outer;
  if (!std::getenv(kReport)) setenv(kReport, outer.file("report.txt").c_str(), 1);
  EXPECT_EXIT(
      {
        LoopbackShortener service;
        std::atomic<int> served{0};
        service.server().Get("/slow", [&](const httplib::Request&, httplib::Response& res) {
          std::this_thread::sleep_for(std::chrono::milliseconds(40));
          res.set_content(service.shortFor(++served), "text/plain");
        });
        ProgramActions actions;
        WindowFixture f(actions);
        WritePlugin(f.dir(), "slow.json", {.name = "Slow", .path = service.base() + "/slow?"});
        Settings::write(kSoftwareSection, kConcurrencyKey, "1");
        Settings::write(kSoftwareSection, kRecordHistoryKey, kOn);
        PluginRegistry::show(
            f.ui(),
            PluginCatalog(
                {{.name = "Slow", .switchState = "是", .version = "1.0", .path = f.dir().file("Plug/slow.json")}}));
        f.ui().pluginChoice().setItems({"Slow"}, 0);
        Text lines;
        for (int i = 1; i <= 200; ++i) lines += "http://127.0.0.1/long/" + std::to_string(i) + "\n";
        f.find<QPlainTextEdit>("生成_长网址")->setPlainText(QString::fromStdString(lines));
        auto* button = f.find<QPushButton>("生成_生成按钮");
        f.showPageOf(button);
        QTest::mouseClick(button, Qt::LeftButton);
        auto* results = f.find<QTreeWidget>("生成_结果列表");
        SpinUntil([&] { return results->topLevelItemCount() >= 3; });
        std::ofstream(std::getenv(kReport)) << f.dir().path() << "\n" << results->topLevelItemCount() << "\n";
        f.window().close();
        std::_Exit(3);
      },
      ::testing::ExitedWithCode(0), "");
  unsetenv(kReport);
  std::istringstream report(outer.read("report.txt"));
  std::string program;
  int shown = 0;
  report >> program >> shown;
  ASSERT_GE(shown, 3) << program;
  const auto entries = HistoryStore(program + "/history.sqlite").find("", 1000);
  std::filesystem::remove_all(program);  // the child ended without tidying up
  // The rows shown, and at most the few that came in while closing; never fewer.
  EXPECT_GE(static_cast<int>(entries.size()), shown);
  EXPECT_LT(static_cast<int>(entries.size()), 200);
}

}  // namespace
}  // namespace pindle::test

namespace pindle::test {
namespace {

// The 点击 column shows the last count fetched, and 已删除 for a link deleted at its service.
TEST_F(HistoryWindowTest, ClicksColumnShowsTheLastCountFetched) {
  const HistoryStore store(HistoryFile(Paths()));
  HistoryEntry counted{0, 3, "Kutt", "http://127.0.0.1/a", "http://127.0.0.1/s/a", ""};
  HistoryEntry never{0, 2, "Kutt", "http://127.0.0.1/b", "http://127.0.0.1/s/b", ""};
  HistoryEntry deleted{0, 1, "Kutt", "http://127.0.0.1/c", "http://127.0.0.1/s/c", ""};
  ASSERT_TRUE(store.append({counted, never, deleted}));
  ASSERT_TRUE(store.setClicks({{"http://127.0.0.1/s/a", 7}, {"http://127.0.0.1/s/c", 1}}, 10));
  ASSERT_TRUE(store.markDeleted("http://127.0.0.1/s/c"));
  ShowHistory();
  EXPECT_EQ(Column(HistoryPage::ClicksColumn), (std::vector<Text>{"7", "", "已删除"}));
  EXPECT_EQ(list->headerItem()->text(HistoryPage::ClicksColumn), QStringLiteral("点击"));
}

}  // namespace
}  // namespace pindle::test
