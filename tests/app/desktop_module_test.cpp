#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "tests/support/process.h"
#include "tests/support/program_copy.h"
#include "tests/support/temp_dir.h"

#ifdef PINDLE_BINARY

namespace pindle {
namespace {

// A command that needs no window, clipboard or secret starts without the toolkit's libraries;
// what needs them loads them (here the window, which then finds no display). A copy without the
// module still runs its commands and says what the window and the clipboard lack.
TEST(DesktopModule, CommandsLoadTheToolkitOnlyWhenTheyNeedIt) {
  test::LoopbackShortener service;
  const std::string missing = "找不到桌面组件 pindle-desktop.so";
  const struct {
    bool module;
    std::vector<std::string> args;
    int exitCode;
    bool toolkit;
    std::string errHas;  // with no module: in the error output, or "" for none at all
  } cases[] = {
      {true, {"--version"}, 0, false, ""},
      {true, {"shorten", "-p", "Is.gd", "http://127.0.0.1/long"}, 0, false, ""},
      {true, {"history"}, 0, false, ""},
      {true, {}, 2, true, ""},
      {false, {"--version"}, 0, false, ""},
      {false, {}, 1, false, "pindle: " + missing},
      {false, {"shorten", "--clipboard", "-p", "Is.gd"}, 1, false, missing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE((c.module ? "" : "without the module: ") + (c.args.empty() ? "the window" : c.args[0]));
    test::TempDir dir;
    const std::string program = dir.file("pindle");
    if (c.module)
      test::CopyProgram(PINDLE_BINARY, program);
    else
      std::filesystem::copy_file(PINDLE_BINARY, program);
    test::WritePlugin(dir, "isgd.json", {.name = "Is.gd", .path = service.base() + "/create.php?format=simple&"});
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), program);
    std::map<std::string, std::string> env{
        {"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}, {"XDG_RUNTIME_DIR", dir.path()}};
    if (c.module) env["LD_DEBUG"] = "files";  // the dynamic loader names each library it loads
    const test::ProcessResult r = test::RunProcess(argv, env);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    if (c.module)
      EXPECT_EQ(r.err.find("file=libQt6Core") != std::string::npos, c.toolkit);
    else if (c.errHas.empty())
      EXPECT_EQ(r.err, "");
    else
      EXPECT_NE(r.err.find(c.errHas), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace pindle

#endif
