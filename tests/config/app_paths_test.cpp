#include "config/app_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "config/settings.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

TEST(AppPaths, PortableOrInstalledByWhatLiesAroundTheProgram) {
  struct Case {
    const char* name;
    bool share;                 // <prefix>/share/pindle exists
    const char* besideProgram;  // "" or "Setting.ini" (a file) or "Plug/" (a folder) or "Plug" (a file)
    const char* configHome;
    const char* dataHome;
    bool portable;
    const char* settingsFile;  // relative to the prefix for portable ones, else absolute
    const char* plugDir;
    const char* deployDir;
  } cases[] = {
      {"build tree", false, "", "", "", true, "bin/Setting.ini", "bin/Plug/", "bin/Deploy/"},
      {"installed, XDG unset", true, "", "", "", false, "/h/.config/pindle/Setting.ini", "/h/.local/share/pindle/Plug/",
       "/h/.local/share/pindle/Deploy/"},
      {"installed, XDG set", true, "", "/c/", "/d", false, "/c/pindle/Setting.ini", "/d/pindle/Plug/",
       "/d/pindle/Deploy/"},
      {"relative XDG is ignored", true, "", "c", "./d", false, "/h/.config/pindle/Setting.ini",
       "/h/.local/share/pindle/Plug/", "/h/.local/share/pindle/Deploy/"},
      {"Setting.ini beside", true, "Setting.ini", "/c", "/d", true, "bin/Setting.ini", "bin/Plug/", "bin/Deploy/"},
      {"Plug folder beside", true, "Plug/", "/c", "/d", true, "bin/Setting.ini", "bin/Plug/", "bin/Deploy/"},
      {"a file named Plug is no folder", true, "Plug", "/c", "/d", false, "/c/pindle/Setting.ini", "/d/pindle/Plug/",
       "/d/pindle/Deploy/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir prefix;
    std::filesystem::create_directories(prefix.file("bin"));
    if (c.share) std::filesystem::create_directories(prefix.file("share/pindle/Plug"));
    const std::string beside = c.besideProgram;
    if (beside == "Plug/")
      std::filesystem::create_directories(prefix.file("bin/Plug"));
    else if (!beside.empty())
      prefix.write("bin/" + beside, "");
    for (const std::string& programDir : {prefix.file("bin"), prefix.file("bin") + "/"}) {
      const PathLayout layout = ChoosePathLayout(programDir, {"/h/", c.configHome, c.dataHome});
      auto expected = [&](const char* path) { return c.portable ? prefix.file(path) : std::string(path); };
      EXPECT_EQ(layout.portable, c.portable);
      EXPECT_EQ(layout.paths.settingsFile, expected(c.settingsFile));
      EXPECT_EQ(layout.paths.plugDir, expected(c.plugDir));
      EXPECT_EQ(layout.paths.deployDir, expected(c.deployDir));
      EXPECT_EQ(layout.starterPlugDir, c.portable ? "" : prefix.file("bin") + "/../share/pindle/Plug/");
    }
  }
}

TEST(AppPaths, SeedingCopiesTheStarterPluginsOnceAndWholly) {
  test::TempDir dir;
  dir.write("starter/a.json", "{\"Name\":\"A\"}");
  dir.write("starter/b.JSON", "{\"Name\":\"B\"}");
  dir.write("starter/readme.txt", "not a plug-in");
  const std::string plug = dir.file("data/pindle/Plug/");
  ASSERT_TRUE(SeedPlugins(dir.file("starter/"), plug));
  EXPECT_EQ(dir.read("data/pindle/Plug/a.json"), "{\"Name\":\"A\"}");
  EXPECT_EQ(dir.read("data/pindle/Plug/b.JSON"), "{\"Name\":\"B\"}");
  EXPECT_FALSE(FileExists(plug + "readme.txt"));

  // A second start that lost the race keeps the folder as it is and leaves no staging folder.
  dir.write("data/pindle/Plug/a.json", "edited");
  EXPECT_TRUE(SeedPlugins(dir.file("starter/"), plug));
  EXPECT_EQ(dir.read("data/pindle/Plug/a.json"), "edited");
  size_t entries = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.file("data/pindle"))) ++entries;
  EXPECT_EQ(entries, 1u);

  // The settings folder of an installed program appears with its first setting.
  SetPaths({dir.file("config/pindle/Setting.ini"), dir.file("data/pindle/Deploy/"), plug});
  EXPECT_TRUE(Settings::write(kPluginSwitchSection, "A", "否"));
  EXPECT_EQ(Settings::read(kPluginSwitchSection, "A"), "否");
}

// The first start of an installed program lists its starters at once: a new Setting.ini loads the
// plug-ins at start. The user's own file, and a portable program's folder, stay as they are.
TEST(AppPaths, FirstStartOfAnInstalledProgramLoadsItsPlugins) {
  const std::string written = Utf8ToGbk("[软件设定]\r\n自动加载=真\r\n");
  const struct {
    const char* name;
    bool installed;
    const char* existing;  // Setting.ini before the start; nullptr: none
    const char* after;     // nullptr: still none
  } cases[] = {
      {"installed, first start", true, nullptr, written.c_str()},
      {"installed, the user's own file", true, "[软件设定]\r\n自动加载=假\r\n", "[软件设定]\r\n自动加载=假\r\n"},
      {"installed, an empty file", true, "", ""},
      {"portable", false, nullptr, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::TempDir prefix;
    std::filesystem::create_directories(prefix.file("bin"));
    if (c.installed) prefix.write("share/pindle/Plug/a.json", "{\"Name\":\"A\"}");
    const std::string settings =
        c.installed ? prefix.file("config/pindle/Setting.ini") : prefix.file("bin/Setting.ini");
    if (c.existing) prefix.write(c.installed ? "config/pindle/Setting.ini" : "bin/Setting.ini", c.existing);
    const PathLayout layout =
        PrepareProgramPaths(prefix.file("bin"), {prefix.file("home"), prefix.file("config"), prefix.file("data")});
    EXPECT_EQ(layout.paths.settingsFile, settings);
    ASSERT_EQ(FileExists(settings), c.after != nullptr);
    if (c.after) {
      EXPECT_EQ(ReadWholeFile(settings).value_or("?"), c.after);
    }
    EXPECT_EQ(FileExists(prefix.file("data/pindle/Plug/a.json")), c.installed);
  }
}

}  // namespace
}  // namespace pindle
