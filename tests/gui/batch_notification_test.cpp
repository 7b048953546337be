#include <gtest/gtest.h>

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <optional>

#include "app/gui/actions/plugin_registry.h"
#include "app/gui/actions/program_actions.h"
#include "platform/background.h"
#include "tests/gui/desktop_program.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/dbus_session.h"
#include "tests/support/line_process.h"

namespace pindle::test {
namespace {

using namespace std::chrono_literals;

// A batch of more than 20 lines that ends while the window is not the active one tells the
// desktop how it went; one of 20 lines, or one watched to its end, does not. Each test runs in
// a process of its own, so the session bus set here is the one the program uses.
TEST(BatchNotification, LongBatchEndingUnseen) {
  DbusSession bus;
  ASSERT_TRUE(bus.running());
  setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
  LineProcess notifications({PINDLE_DESKTOP_SERVICES, "--notifications"},
                            {{"DBUS_SESSION_BUS_ADDRESS", bus.address()}, {"QT_QPA_PLATFORM", "offscreen"}});
  ASSERT_TRUE(notifications.take("ready"));
  ProgramActions actions;
  WindowFixture f(actions);
  DesktopProgram program(f.dir().path());
  ASSERT_TRUE(RunOnWorker([&] { PluginRegistry::load(f.ui()); }));
  f.find<QComboBox>("生成_批量接口")->setCurrentIndex(0);
  QWidget elsewhere;  // another window has the focus
  struct Case {
    int lines;
    bool active;
    const char* wanted;  // nullptr: no notification
  } cases[] = {{21, false, "notify 生成完毕\t完成 21 行，失败 0 行"}, {20, false, nullptr}, {21, true, nullptr}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.lines) + (c.active ? " lines, watched" : " lines, unseen"));
    QString input;
    for (int i = 1; i <= c.lines; ++i) input += QStringLiteral("http://127.0.0.1:9/long/%1\n").arg(i);
    f.find<QPlainTextEdit>("生成_长网址")->setPlainText(input);
    if (c.active) {
      f.window().activateWindow();
    } else {
      elsewhere.show();
      elsewhere.activateWindow();
    }
    auto* generate = f.find<QPushButton>("生成_生成按钮");
    f.showPageOf(generate);
    QTest::mouseClick(generate, Qt::LeftButton);
    auto* results = f.find<QTreeWidget>("生成_结果列表");
    ASSERT_TRUE(SpinUntil([&] { return results->topLevelItemCount() == c.lines; }, 30s));
    // The window decides on its own thread when the batch has ended: keep its events going while
    // looking, a long look for a notification that is due, a short one for one that is not.
    ASSERT_TRUE(SpinUntil([] { return WaitForDetached(0ms); }, 30s));
    std::optional<std::string> seen;
    SpinUntil([&] { return (seen = notifications.take("notify ", 10ms)).has_value(); }, c.wanted ? 15s : 1500ms);
    if (c.wanted) {
      EXPECT_EQ(seen.value_or("none"), c.wanted);
    } else {
      EXPECT_FALSE(seen) << *seen;
    }
  }
}

}  // namespace
}  // namespace pindle::test
