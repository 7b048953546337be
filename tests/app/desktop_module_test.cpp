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

std::map<std::string, std::string> Environment(const test::TempDir& dir) {
  return {{"PATH", "/usr/bin:/bin"}, {"HOME", dir.path()}, {"XDG_RUNTIME_DIR", dir.path()}};
}

// A command that needs no window, clipboard or secret starts without the toolkit's libraries;
// what needs them loads them (here the window, which then finds no display).
TEST(DesktopModule, CommandsLoadTheToolkitOnlyWhenTheyNeedIt) {
  test::TempDir dir;
  test::LoopbackShortener service;
  const std::string program = dir.file("pindle");
  test::CopyProgram(PINDLE_BINARY, program);
  test::WritePlugin(dir, "isgd.json", {.name = "Is.gd", .path = service.base() + "/create.php?format=simple&"});
  const struct {
    std::vector<std::string> args;
    int exitCode;
    bool toolkit;
  } cases[] = {
      {{"--version"}, 0, false},
      {{"shorten", "-p", "Is.gd", "http://127.0.0.1/long"}, 0, false},
      {{"history"}, 0, false},
      {{}, 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "the window" : c.args[0]);
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), program);
    auto env = Environment(dir);
    env["LD_DEBUG"] = "files";  // the dynamic loader names each library it loads
    const test::ProcessResult r = test::RunProcess(argv, env);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.err.find("file=libQt6Core") != std::string::npos, c.toolkit);
  }
}

// A copy of the program without the module still runs its commands and says what the window,
// the clipboard and the secret store lack.
TEST(DesktopModule, AProgramWithoutItsModuleSaysWhatIsMissing) {
  test::TempDir dir;
  const std::string program = dir.file("pindle");
  std::filesystem::copy_file(PINDLE_BINARY, program);
  test::WritePlugin(dir, "isgd.json", {.name = "Is.gd", .path = "http://127.0.0.1:9/create.php?"});
  const std::string missing = "找不到桌面组件 pindle-desktop.so";
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string err;
  } cases[] = {
      {{"--version"}, 0, ""},
      {{}, 1, "pindle: " + missing},
      {{"shorten", "--clipboard", "-p", "Is.gd"}, 1, missing},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "the window" : c.args[0]);
    std::vector<std::string> argv = c.args;
    argv.insert(argv.begin(), program);
    const test::ProcessResult r = test::RunProcess(argv, Environment(dir));
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    if (c.err.empty())
      EXPECT_EQ(r.err, "");
    else
      EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace pindle

#endif
