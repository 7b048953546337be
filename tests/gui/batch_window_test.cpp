#include <gtest/gtest.h>

#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTreeWidget>

#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/program_actions.h"
#include "config/settings.h"
#include "generate/generate_command.h"
#include "generate/shorten_engine.h"
#include "platform/background.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/echo_service.h"
#include "tests/support/plugin_files.h"
#include "text/percent_encoding.h"

namespace pindle::test {
namespace {

using namespace std::chrono_literals;

Text RowFor(const Text& line) { return EchoService::echo("/x?url=" + PercentEncode(line)); }

class BatchWindowTest : public ::testing::Test {
 protected:
  ProgramActions actions;
  WindowFixture f{actions};
  QTreeWidget* results = f.find<QTreeWidget>("生成_结果列表");
  QPlainTextEdit* box = f.find<QPlainTextEdit>("生成_长网址");
  QProgressBar* progress = f.find<QProgressBar>("生成进度");

  ~BatchWindowTest() override { WaitForDetached(30s); }

  void usePlugin(const EchoService& service, int concurrency) {
    Settings::write(kSoftwareSection, kConcurrencyKey, std::to_string(concurrency));
    WritePlugin(f.dir(), "p.json", {.name = "回声", .path = service.url("/x?")});
    ASSERT_TRUE(RunOnWorker([&] { PluginRegistry::load(f.ui()); }));
    f.find<QComboBox>("生成_批量接口")->setCurrentIndex(0);
  }
  void start(const QString& input) {
    box->setPlainText(input);
    auto* generate = f.find<QPushButton>("生成_生成按钮");
    f.showPageOf(generate);
    QTest::mouseClick(generate, Qt::LeftButton);
  }
  std::vector<Text> shortColumn() {
    std::vector<Text> out;
    for (int i = 0; i < results->topLevelItemCount(); ++i)
      out.push_back(results->topLevelItem(i)->text(1).toStdString());
    return out;
  }
};

TEST_F(BatchWindowTest, RowsFollowTheLinesWhateverOrderTheAnswersCome) {
  EchoService service([](const std::string& target) {
    return (0x4C - std::stoi(target.substr(target.rfind('%') + 1), nullptr, 16)) * 8;  // 'A' answers last
  });
  usePlugin(service, 4);
  QString input;
  std::vector<Text> wanted;
  for (char ch = 'A'; ch <= 'L'; ++ch) {
    input += QChar(ch) + QStringLiteral("\n");
    wanted.push_back(RowFor(Text(1, ch)));
  }
  start(input);
  EXPECT_TRUE(SpinUntil([&] { return progress->isVisible(); }, 2s)) << "a batch shows its progress";
  ASSERT_TRUE(SpinUntil([&] { return !GenerationRunning() && WaitForDetached(0ms); }));
  QCoreApplication::processEvents();
  EXPECT_EQ(shortColumn(), wanted);
  EXPECT_EQ(results->topLevelItem(0)->text(0), QStringLiteral("回声"));
  EXPECT_EQ(f.find<QStatusBar>("状态条")->currentMessage(), QStringLiteral("网址生成完毕!"));
  EXPECT_FALSE(progress->isVisible());
  EXPECT_EQ(service.mostOpenAtOnce(), 4);
}

// Esc on the 生成 page, and 停止生成 in the result list's menu (shown even without a row while a
// batch runs): requests in flight are dropped, rows done stay, the status says how many.
TEST_F(BatchWindowTest, EscAndTheMenuItemStopTheBatch) {
  for (const bool byMenu : {false, true}) {
    SCOPED_TRACE(byMenu ? "menu" : "Esc");
    EchoService service([](const std::string& target) { return target.find("%33") != std::string::npos ? 3000 : 0; });
    usePlugin(service, 1);
    start(QStringLiteral("1\n2\n3\n4\n5"));
    ASSERT_TRUE(SpinUntil([&] { return service.requests() >= 3; }));
    if (byMenu) {
      auto* menu = f.find<QMenu>("生成菜单");
      RightClickRow(results, -1);
      ASSERT_TRUE(SpinUntil([&] { return menu->isVisible(); }, 1s));
      QAction* stop = menu->findChild<QAction*>(QStringLiteral("停止生成"));
      EXPECT_TRUE(stop->isEnabled());
      EXPECT_FALSE(menu->findChild<QAction*>(QStringLiteral("复制网址"))->isEnabled());
      stop->trigger();
      menu->hide();
    } else {
      f.window().activateWindow();
      box->setFocus();
      QTest::keyClick(box, Qt::Key_Escape);
    }
    const auto stopped = std::chrono::steady_clock::now();
    ASSERT_TRUE(SpinUntil([&] { return !GenerationRunning() && WaitForDetached(0ms); }, 2s));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 1s);
    QCoreApplication::processEvents();
    EXPECT_EQ(shortColumn(), (std::vector<Text>{RowFor("1"), RowFor("2")}));
    EXPECT_EQ(f.find<QStatusBar>("状态条")->currentMessage(), QStringLiteral("已停止生成：完成 2 / 5 行"));
  }
}

}  // namespace
}  // namespace pindle::test
