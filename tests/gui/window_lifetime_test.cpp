#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMutex>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <thread>

#include "app/gui/actions/program_actions.h"
#include "app/gui/qt_shell_open.h"
#include "platform/shell_open.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/loopback_socket.h"

namespace pindle::test {

// Takes the URLs QDesktopServices would hand to the desktop.
class UrlCatcher : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void catchUrl(const QUrl& url) { urls << url; }
};

namespace {

TEST(WindowLifetimeDeathTest, ClosingTheWindowEndsTheProcessWithZero) {
  // Also while a worker of the window's actions waits on a service that never answers: closing
  // does not wait for it.
  for (const bool busyWorker : {false, true}) {
    SCOPED_TRACE(busyWorker ? "a worker waits on a silent service" : "nothing runs");
    EXPECT_EXIT(
        {
          std::atomic<bool> asked{false};
          LoopbackAcceptor silent([&](int) {
            asked = true;
            std::this_thread::sleep_for(std::chrono::seconds(60));
          });
          WindowActions noActions;
          ProgramActions actions;
          WindowFixture f(busyWorker ? static_cast<WindowActions&>(actions) : noActions);
          if (busyWorker) {
            actions.expandUrlChosen(f.ui(), "http://127.0.0.1:" + std::to_string(silent.port()) + "/s/1");
            while (!asked) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
          }
          f.window().close();
          std::_Exit(3);  // not reached when closing ends the program
        },
        ::testing::ExitedWithCode(0), "");
  }
}

TEST(ShellOpen, TargetsBecomeFileOrWebAddresses) {
  TempDir dir;
  dir.write("plug in.json", "{}");
  EXPECT_EQ(ShellOpenTarget(dir.file("plug in.json")),
            QUrl::fromLocalFile(QString::fromStdString(dir.file("plug in.json"))));
  EXPECT_EQ(ShellOpenTarget("/no/such/file.ini").scheme(), QStringLiteral("file"));
  EXPECT_EQ(ShellOpenTarget("http://t.cn/A6abc"), QUrl(QStringLiteral("http://t.cn/A6abc")));
  EXPECT_EQ(ShellOpenTarget("https://gitee.com/x?a=1&b=2").query(), QStringLiteral("a=1&b=2"));
  EXPECT_FALSE(ShellOpenTarget("").isValid());
}

TEST(ShellOpen, GoesThroughTheDesktopServicesFromAnyThread) {
  WindowActions noActions;
  WindowFixture f(noActions);
  UrlCatcher catcher;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &catcher, "catchUrl");
  InstallShellOpenHandler();
  EXPECT_TRUE(ShellOpen("http://t.cn/A1"));
  bool fromWorker = false;
  ASSERT_TRUE(RunOnWorker([&] { fromWorker = ShellOpen("http://t.cn/A2"); }));
  EXPECT_TRUE(fromWorker);
  EXPECT_FALSE(ShellOpen(""));
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  SetShellOpenHandler(nullptr);
  EXPECT_EQ(catcher.urls,
            (QList<QUrl>{QUrl(QStringLiteral("http://t.cn/A1")), QUrl(QStringLiteral("http://t.cn/A2"))}));
}

}  // namespace
}  // namespace pindle::test

#include "window_lifetime_test.moc"
