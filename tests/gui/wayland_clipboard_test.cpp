#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/gui/actions/program_actions.h"
#include "app/gui/desktop_clipboard.h"
#include "tests/gui/desktop_program.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/process.h"
#include "tests/support/sway_session.h"
#include "tests/support/xvfb_display.h"

namespace pindle::test {
namespace {

constexpr const char* kChildRole = "PINDLE_TEST_WAYLAND_CHILD";

std::string Paste(const SwaySession& sway) {
  return RunProcess(sway.command({"/usr/bin/wl-paste", "--no-newline"}), sway.environment(), "", 5000).out;
}

void Copy(const SwaySession& sway, const std::string& text) {
  // wl-copy serves from the background and returns; the server keeps no pipe of ours open.
  WaitProcess(StartProcess(sway.command({"/usr/bin/wl-copy", text}), sway.environment()));
}

// What stays in the session besides the wl-copy serving `text`: nothing may.
std::vector<std::string> LeftBehind(const SwaySession& sway, const std::string& text) {
  std::vector<std::string> left;
  for (const std::string& line : sway.sessionProcesses())
    if (line != "/usr/bin/wl-copy " + text + " ") left.push_back(line);
  return left;
}

bool SwayInstalled() { return ProgramInstalled("sway") && ProgramInstalled("wl-copy"); }

// The child's part, a window on the compositor: a result row copied through the result menu's
// action, then the window closed, which ends the process.
void CopyALinkAndCloseTheWindow(const std::string& link) {
  ProgramActions actions;
  WindowFixture f(actions);
  f.ui().resultList().appendRow({"Is.gd", link});
  ClickRow(f.find<QTreeWidget>("生成_结果列表"), 0);
  actions.copyUrlChosen(f.ui());
  if (LastTextPutOnClipboard() != link) std::_Exit(4);
  f.window().close();
  std::_Exit(3);  // not reached: closing ends the program
}

// A link copied in the window is still on the clipboard after the window and its process are
// gone; once another program copies, nothing of ours is left running.
TEST(WaylandClipboard, CopiedLinkOutlivesTheWindow) {
  const std::string link = "https://t.example/短/1";
  if (const char* role = std::getenv(kChildRole); role && *role) CopyALinkAndCloseTheWindow(link);
  if (!SwayInstalled()) GTEST_SKIP() << "sway or wl-clipboard is not installed";
  SwaySession sway;
  ASSERT_TRUE(sway.running()) << sway.problem();
  auto env = sway.environment();
  env["QT_QPA_PLATFORM"] = "wayland";
  env[kChildRole] = "1";
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const auto child =
      RunProcess(sway.command({std::filesystem::read_symlink("/proc/self/exe").string(),
                               std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()}),
                 env, "", 60000);
  ASSERT_EQ(child.exitCode, 0) << child.out << child.err;
  EXPECT_EQ(Paste(sway), link);
  EXPECT_EQ(Paste(sway), link) << "served to every reader";
  Copy(sway, "other");
  EXPECT_TRUE(SpinUntil([&] { return LeftBehind(sway, "other").empty(); }))
      << ::testing::PrintToString(LeftBehind(sway, "other"));
}

// shorten --clipboard without a window reads the address and puts the link back through
// data-control, and leaves nothing running once another program copies.
TEST(WaylandClipboard, ShortenClipboardWithoutAWindow) {
  if (!SwayInstalled()) GTEST_SKIP() << "sway or wl-clipboard is not installed";
  SwaySession sway;
  ASSERT_TRUE(sway.running()) << sway.problem();
  const std::string folder = sway.folder() + "/program";
  std::filesystem::create_directories(folder);
  DesktopProgram program(folder);
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) sway.handOver(entry.path());
  sway.handOver(folder);
  Copy(sway, kLongAddress);
  const auto run = RunProcess(sway.command(program.command({"shorten", "--clipboard"})), sway.environment());
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, program.service().shortFor(1) + "\n");
  EXPECT_EQ(Paste(sway), program.service().shortFor(1));
  Copy(sway, "other");
  EXPECT_TRUE(SpinUntil([&] { return LeftBehind(sway, "other").empty(); }))
      << ::testing::PrintToString(LeftBehind(sway, "other"));
}

}  // namespace
}  // namespace pindle::test
