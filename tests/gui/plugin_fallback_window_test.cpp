#include <gtest/gtest.h>

#include <QComboBox>
#include <QDate>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/program_actions.h"
#include "app/gui/fallback_dialog.h"
#include "config/app_paths.h"
#include "config/fallback_plugins.h"
#include "config/settings.h"
#include "history/history_store.h"
#include "platform/background.h"
#include "platform/codepage.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/echo_service.h"
#include "tests/support/loopback_socket.h"
#include "tests/support/plugin_files.h"

namespace pindle::test {
namespace {

using namespace std::chrono_literals;

// A is a closed port, B answers every request with a link.
class PluginFallbackWindowTest : public ::testing::Test {
 protected:
  EchoService b;
  ProgramActions actions;
  WindowFixture f{actions};
  QTreeWidget* plugins = f.find<QTreeWidget>("插件_插件列表");

  void SetUp() override {
    Settings::write(kSoftwareSection, kConcurrencyKey, "1");
    WritePlugin(f.dir(), "a.json",
                {.name = "A", .path = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/a?"});
    WritePlugin(f.dir(), "b.json", {.name = "B", .path = b.url("/b?")});
    load();
  }
  void TearDown() override { EXPECT_TRUE(WaitForDetached(30s)); }
  void load() {
    ASSERT_TRUE(RunOnWorker([&] { PluginRegistry::load(f.ui()); }));
  }
  QTreeWidgetItem* rowOf(const char* name) {
    for (int i = 0; i < plugins->topLevelItemCount(); ++i)
      if (plugins->topLevelItem(i)->text(0) == QString::fromUtf8(name)) return plugins->topLevelItem(i);
    return nullptr;
  }
  FallbackDialog* dialog() { return f.window().findChild<FallbackDialog*>(QStringLiteral("备用插件")); }
};

TEST_F(PluginFallbackWindowTest, FallbackFromTheDialogToTheRows) {
  auto* open = f.find<QPushButton>("设定_备用插件");
  f.showPageOf(open);
  QTest::mouseClick(open, Qt::LeftButton);
  ASSERT_TRUE(SpinUntil([&] { return dialog() && dialog()->isVisible(); }));
  EXPECT_EQ(dialog()->font(), open->font());  // the window's font, though a window of its own
  auto* list = dialog()->findChild<QListWidget*>(QStringLiteral("备用插件_列表"));
  ASSERT_EQ(list->count(), 2);
  for (int i = 0; i < list->count(); ++i) {
    EXPECT_EQ(list->item(i)->checkState(), Qt::Unchecked);
    if (list->item(i)->text() == QStringLiteral("B")) {
      list->item(i)->setCheckState(Qt::Checked);
      list->setCurrentRow(i);
    }
  }
  QTest::mouseClick(dialog()->findChild<QPushButton*>(QStringLiteral("备用插件_上移")), Qt::LeftButton);
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("B"));
  QTest::mouseClick(dialog()->findChild<QPushButton*>(QStringLiteral("备用插件_确定")), Qt::LeftButton);
  EXPECT_TRUE(SpinUntil([&] { return dialog() == nullptr; }));
  EXPECT_EQ(FallbackPluginsSetting(), std::vector<Text>{"B"});
  EXPECT_EQ(f.ui().statusText(), "备用插件：B");

  auto* choice = f.find<QComboBox>("生成_批量接口");
  choice->setCurrentIndex(choice->findText(QStringLiteral("A")));
  f.find<QPlainTextEdit>("生成_长网址")->setPlainText(QStringLiteral("u1\nu2\nu3"));
  auto* generate = f.find<QPushButton>("生成_生成按钮");
  f.showPageOf(generate);
  QTest::mouseClick(generate, Qt::LeftButton);
  auto* results = f.find<QTreeWidget>("生成_结果列表");
  ASSERT_TRUE(SpinUntil([&] { return results->topLevelItemCount() == 3; }, 20s));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(results->topLevelItem(i)->text(0), QStringLiteral("B"));
    EXPECT_EQ(results->topLevelItem(i)->text(1),
              QString::fromStdString(EchoService::echo("/b?url=%75%3" + std::to_string(i + 1))));
  }

  // Opened again from the result list's menu, the dialog shows what is stored.
  RightClickRow(results, 0);
  auto* menu = f.find<QMenu>("生成菜单");
  ASSERT_TRUE(SpinUntil([&] { return menu->isVisible(); }));
  menu->findChild<QAction*>(QStringLiteral("备用插件…"))->trigger();
  menu->hide();
  ASSERT_TRUE(SpinUntil([&] { return dialog() != nullptr; }));
  list = dialog()->findChild<QListWidget*>(QStringLiteral("备用插件_列表"));
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("B"));
  EXPECT_EQ(list->item(0)->checkState(), Qt::Checked);
  QTest::mouseClick(dialog()->findChild<QPushButton*>(QStringLiteral("备用插件_取消")), Qt::LeftButton);
}

TEST_F(PluginFallbackWindowTest, CheckFillsStatusKeptForTheNextStart) {
  RightClickRow(plugins, -1);  // beside the rows: every plug-in that is on
  auto* menu = f.find<QMenu>("新建插件菜单");
  ASSERT_TRUE(SpinUntil([&] { return menu->isVisible(); }));
  menu->findChild<QAction*>(QStringLiteral("检测插件"))->trigger();
  menu->hide();
  ASSERT_TRUE(SpinUntil([&] { return f.ui().statusText().starts_with("检测完成"); }, 20s)) << f.ui().statusText();
  EXPECT_EQ(f.ui().statusText(), "检测完成：正常 1 个，失败 1 个");
  const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
  const int status = kPluginStatusColumn, tip = kPluginStatusTipColumn;
  EXPECT_EQ(rowOf("A")->text(status), QStringLiteral("失败（%1）").arg(today));
  EXPECT_EQ(rowOf("B")->text(status), QStringLiteral("正常（%1）").arg(today));
  EXPECT_TRUE(rowOf("A")->text(tip).contains(QStringLiteral("无法连接服务器"))) << rowOf("A")->text(tip).toStdString();
  EXPECT_TRUE(rowOf("B")->text(tip).contains(QString::fromStdString(EchoService::echo("/b?url="))));
  auto* choice = f.find<QComboBox>("生成_批量接口");
  EXPECT_GE(choice->findText(QStringLiteral("× A")), 0);
  EXPECT_GE(choice->findText(QStringLiteral("B")), 0);
  // The mark is no part of the name the generation looks for.
  choice->setCurrentIndex(choice->findText(QStringLiteral("× A")));
  EXPECT_EQ(f.ui().pluginChoice().currentText(), "A");
  const std::string ini = GbkToUtf8Text(f.dir().read("Deploy/A.ini"));
  EXPECT_NE(ini.find("[状态]"), std::string::npos) << ini;
  EXPECT_NE(ini.find("结果=失败"), std::string::npos) << ini;

  // A second window on the same files, as at the next start.
  MainWindow next(actions);
  ASSERT_TRUE(RunOnWorker([&] { PluginRegistry::load(next.controls()); }));
  auto* nextList = next.findChild<QTreeWidget*>(QStringLiteral("插件_插件列表"));
  QStringList shown;
  for (int i = 0; i < nextList->topLevelItemCount(); ++i)
    shown << nextList->topLevelItem(i)->text(0) + "=" + nextList->topLevelItem(i)->text(status);
  shown.sort();
  EXPECT_EQ(shown, (QStringList{QStringLiteral("A=失败（%1）").arg(today), QStringLiteral("B=正常（%1）").arg(today)}));

  // Only the selected row is checked when there is one.
  b.script({RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nnope"}});
  RightClickRow(plugins, plugins->indexOfTopLevelItem(rowOf("B")));
  auto* rowMenu = f.find<QMenu>("插件菜单");
  ASSERT_TRUE(SpinUntil([&] { return rowMenu->isVisible(); }));
  rowMenu->findChild<QAction*>(QStringLiteral("检测插件"))->trigger();
  rowMenu->hide();
  ASSERT_TRUE(SpinUntil([&] { return f.ui().statusText().starts_with("检测完成：B"); }, 20s));
  EXPECT_EQ(f.ui().statusText(), "检测完成：B 失败：服务返回：nope");
  EXPECT_EQ(rowOf("B")->text(status), QStringLiteral("失败（%1）").arg(today));
}

}  // namespace
}  // namespace pindle::test
