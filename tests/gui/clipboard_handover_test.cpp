#include <gtest/gtest.h>
#include <unistd.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>

#include "app/program_actions.h"
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

// A link copied in the window can still be pasted after the window closed and its process
// ended: read back by another program.
TEST(ClipboardHandOver, CopiedLinkOutlivesTheWindow) {
  const std::string link = "https://t.example/短/1";
  if (const char* role = std::getenv(kChildRole); role && *role) CopyALinkAndCloseTheWindow(link);
  if (!ProgramInstalled("xclip")) GTEST_SKIP() << "xclip is not installed";
  XvfbDisplay x;
  ASSERT_TRUE(x.running());
  const std::map<std::string, std::string> env{{"PATH", "/usr/bin:/bin"},
                                               {"HOME", std::filesystem::temp_directory_path().string()},
                                               {"DISPLAY", x.name()},
                                               {"QT_QPA_PLATFORM", "xcb"},
                                               {kChildRole, "1"}};
  const auto child = RunProcess({std::filesystem::read_symlink("/proc/self/exe").string(),
                                 "--gtest_filter=ClipboardHandOver.CopiedLinkOutlivesTheWindow"},
                                env);
  ASSERT_EQ(child.exitCode, 0) << child.out << child.err;
  EXPECT_EQ(ReadClipboardWithXclip(x.name()), link);
  EXPECT_EQ(ReadClipboardWithXclip(x.name()), link) << "served for every reader, not just the first";
}

}  // namespace
}  // namespace pindle::test
