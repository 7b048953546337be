#include <gtest/gtest.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/gui/actions/program_actions.h"
#include "tests/gui/fake_clipboard_manager.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/process.h"
#include "tests/support/xvfb_display.h"

namespace pindle::test {
namespace {

constexpr const char* kChildRole = "PINDLE_TEST_HANDOVER_CHILD";

std::string ReadClipboardWithXclip(const std::string& display) {
  return RunProcess({"/usr/bin/xclip", "-selection", "clipboard", "-o"}, {{"DISPLAY", display}}, "", 5000).out;
}

// The child's part, in a process of its own on the X display: a result row copied through the
// result menu's action, then the window closed, which ends the process.
void CopyALinkAndCloseTheWindow(const std::string& link) {
  ProgramActions actions;
  WindowFixture f(actions);
  f.ui().resultList().appendRow({"Is.gd", link});
  ClickRow(f.find<QTreeWidget>("生成_结果列表"), 0);
  actions.copyUrlChosen(f.ui());
  if (!SpinUntil([] { return QGuiApplication::clipboard()->ownsClipboard(); })) std::_Exit(4);
  f.window().close();
  std::_Exit(3);  // not reached: closing ends the program
}

const std::string kLink = "https://t.example/短/1";

// Runs this test in a child process whose window lives on `display`; its exit code.
ProcessResult RunWindowChild(const std::string& display) {
  const std::map<std::string, std::string> env{{"PATH", "/usr/bin:/bin"},
                                               {"HOME", std::filesystem::temp_directory_path().string()},
                                               {"DISPLAY", display},
                                               {"QT_QPA_PLATFORM", "xcb"},
                                               {kChildRole, "1"}};
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  return RunProcess({std::filesystem::read_symlink("/proc/self/exe").string(),
                     std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()},
                    env);
}

// A link copied in the window can still be pasted after the window closed and its process
// ended: read back by another program.
TEST(ClipboardHandOver, CopiedLinkOutlivesTheWindow) {
  if (const char* role = std::getenv(kChildRole); role && *role) CopyALinkAndCloseTheWindow(kLink);
  if (!ProgramInstalled("xclip")) GTEST_SKIP() << "xclip is not installed";
  XvfbDisplay x;
  ASSERT_TRUE(x.running());
  const auto child = RunWindowChild(x.name());
  ASSERT_EQ(child.exitCode, 0) << child.out << child.err;
  EXPECT_EQ(ReadClipboardWithXclip(x.name()), kLink);
  EXPECT_EQ(ReadClipboardWithXclip(x.name()), kLink) << "served for every reader, not just the first";
}

// Where a clipboard manager runs, it is asked to save the clipboard and gets the link.
TEST(ClipboardHandOver, ToARunningClipboardManager) {
  if (const char* role = std::getenv(kChildRole); role && *role) CopyALinkAndCloseTheWindow(kLink);
  XvfbDisplay x;
  ASSERT_TRUE(x.running());
  FakeClipboardManager manager(x.name());
  ASSERT_TRUE(manager.running());
  const auto child = RunWindowChild(x.name());
  ASSERT_EQ(child.exitCode, 0) << child.out << child.err;
  EXPECT_TRUE(SpinUntil([&] { return manager.saved() == kLink; })) << manager.saved();
}

}  // namespace
}  // namespace pindle::test
