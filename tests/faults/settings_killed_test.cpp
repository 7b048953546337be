// A process killed while it writes Setting.ini leaves the file as it was before the write that
// was cut or as that write made it: never torn, never empty.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <regex>
#include <string>
#include <thread>

#include "platform/codepage.h"
#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

// The file after `writes` writes of the writer program, in the bytes Windows would store.
std::string FileAfter(long writes) {
  std::string text = "[插件开关]\r\n";
  for (long key = 0; key < 10 && key < writes; ++key) {
    const long last = key + ((writes - 1 - key) / 10) * 10;
    text += "开关" + std::to_string(key) + "=值" + std::to_string(last) + "\r\n";
  }
  return Utf8ToGbk(text);
}

TEST(SettingsKilled, EveryKillLeavesTheOldOrTheNewFile) {
  EXPECT_EQ(GbkToUtf8Text(FileAfter(12)),
            "[插件开关]\r\n开关0=值10\r\n开关1=值11\r\n开关2=值2\r\n开关3=值3\r\n开关4=值4\r\n"
            "开关5=值5\r\n开关6=值6\r\n开关7=值7\r\n开关8=值8\r\n开关9=值9\r\n");
  test::TempDir dir;
  std::mt19937 random(11);
  const std::regex value("=\xD6\xB5(\\d+)\r\n");  // "=值<n>" in code page 936
  for (int round = 0; round < 20; ++round) {
    std::filesystem::remove(dir.file("Setting.ini"));
    const pid_t pid = test::StartProcess({PINDLE_SETTINGS_WRITER, dir.path()}, {{"PATH", "/usr/bin:/bin"}});
    // Let it write for a while: a kill lands anywhere in one of many writes.
    std::this_thread::sleep_for(std::chrono::milliseconds(std::uniform_int_distribution<int>(20, 200)(random)));
    kill(pid, SIGKILL);
    test::WaitProcess(pid);
    if (!std::filesystem::exists(dir.file("Setting.ini"))) continue;  // killed before its first write
    const std::string got = dir.read("Setting.ini");
    long newest = -1;
    for (std::sregex_iterator it(got.begin(), got.end(), value), end; it != end; ++it)
      newest = std::max(newest, std::stol((*it)[1]));
    ASSERT_GE(newest, 0) << "round " << round << ": no value in a file of " << got.size() << " bytes";
    EXPECT_EQ(got, FileAfter(newest + 1)) << "round " << round;
  }
}

}  // namespace
}  // namespace pindle
