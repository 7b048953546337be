#include <gtest/gtest.h>

#include "tests/gui/desktop_program.h"
#include "tests/gui/fake_clipboard_manager.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"
#include "tests/support/xvfb_display.h"

namespace pindle::test {
namespace {

// shorten --clipboard without a window leaves a keeper serving the link, which ends as soon as
// another program takes the clipboard. A clipboard manager that only answers is not trusted.
TEST(ClipboardKeeper, EndsWhenAnotherProgramTakesTheClipboard) {
  if (!ProgramInstalled("xclip")) GTEST_SKIP() << "xclip is not installed";
  for (const bool manager : {false, true}) {
    SCOPED_TRACE(manager ? "with a manager that keeps nothing" : "alone");
    XvfbDisplay x;
    ASSERT_TRUE(x.running());
    TempDir dir;
    DesktopProgram program(dir.path());
    std::optional<FakeClipboardManager> answering;
    if (manager) answering.emplace(x.name());
    SetXClipboard(x.name(), kLongAddress);
    const auto run = RunProcess(program.command({"shorten", "--clipboard"}), X11Environment(x.name(), "", dir.path()));
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(SpinUntil([&] { return XClipboard(x.name()) == program.service().shortFor(1); }));
    EXPECT_EQ(KeeperProcesses("DISPLAY=" + x.name()).size(), 1u);
    SetXClipboard(x.name(), "other");
    EXPECT_TRUE(SpinUntil([&] { return KeeperProcesses("DISPLAY=" + x.name()).empty(); }));
  }
}

}  // namespace
}  // namespace pindle::test
