#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}
ino_t InodeOf(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Only regular files are read; a FIFO nobody writes to is refused at once instead of waited on.
TEST(Files, OnlyRegularFilesAreRead) {
  test::TempDir dir;
  dir.write("plain", "x");
  ASSERT_EQ(::mkfifo(dir.file("fifo").c_str(), 0600), 0);
  fs::create_directory(dir.file("folder"));
  const struct {
    const char* name;
    bool read;
  } cases[] = {{"plain", true}, {"fifo", false}, {"folder", false}, {"missing", false}};
  for (const auto& c : cases) EXPECT_EQ(ReadWholeFile(dir.file(c.name)).has_value(), c.read) << c.name;
  EXPECT_FALSE(ReadWholeFile("/dev/zero").has_value());
}

TEST(Files, NamesComeOrderedAsWindowsListsThem) {
  test::TempDir dir;
  for (const char* name : {"b.json", "_x.json", "中.json", "A.json", "c.JSON", "a2.json", "a.json", "note.txt"})
    dir.write(name, "{}");
  fs::create_directory(dir.file("d.json"));  // a folder is no file
  // Letters as upper case: "_" (0x5F) comes after them, "." before the digits.
  const std::vector<Text> want = {"A.json", "a.json", "a2.json", "b.json", "c.JSON", "_x.json", "中.json"};
  EXPECT_EQ(ListFileNames(dir.path(), ".json"), want);
}

// What the replace keeps of the user's set-up. The permission bits decide, also for root, so each
// case means the same whoever runs it.
TEST(Files, AtomicReplaceKeepsWhatTheUserSetUp) {
  struct Case {
    const char* what;
    std::function<void(const test::TempDir&)> arrange;  // leaves "f" to be written
    bool written;
    std::function<void(const test::TempDir&)> check;
  };
  const std::vector<Case> cases = {
      {"new file", [](const test::TempDir&) {}, true, {}},
      {"permission bits kept", [](const test::TempDir& d) { d.write("f", "old"), ::chmod(d.file("f").c_str(), 0604); },
       true, [](const test::TempDir& d) { EXPECT_EQ(ModeOf(d.file("f")), 0604u); }},
      {"symbolic link written through",
       [](const test::TempDir& d) {
         d.write("real/f", "old");
         fs::create_symlink("real/f", d.file("f"));
       },
       true,
       [](const test::TempDir& d) {
         EXPECT_TRUE(fs::is_symlink(d.file("f")));
         EXPECT_EQ(d.read("real/f"), "new");
       }},
      {"link to a missing file creates it",
       [](const test::TempDir& d) {
         fs::create_directory(d.file("real"));
         fs::create_symlink(d.file("real/f"), d.file("f"));
       },
       true, [](const test::TempDir& d) { EXPECT_TRUE(fs::is_symlink(d.file("f"))); }},
      {"read-only file refused",
       [](const test::TempDir& d) { d.write("f", "old"), ::chmod(d.file("f").c_str(), 0444); }, false,
       [](const test::TempDir& d) { EXPECT_EQ(d.read("f"), "old"); }},
      {"read-only target behind a link refused",
       [](const test::TempDir& d) {
         d.write("real/f", "old");
         ::chmod(d.file("real/f").c_str(), 0444);
         fs::create_symlink("real/f", d.file("f"));
       },
       false, [](const test::TempDir& d) { EXPECT_EQ(d.read("real/f"), "old"); }},
      {"folder not writable: file written in place",
       [](const test::TempDir& d) {
         d.write("ro/f", "old");
         ::chmod(d.file("ro").c_str(), 0555);
         fs::create_symlink("ro/f", d.file("f"));
       },
       true,
       [](const test::TempDir& d) {
         EXPECT_EQ(fs::directory_iterator(d.file("ro"))->path().filename(), "f");  // no temporary left
         EXPECT_EQ(std::distance(fs::directory_iterator(d.file("ro")), fs::directory_iterator()), 1);
       }},
      {"folder not writable, file missing",
       [](const test::TempDir& d) {
         fs::create_directory(d.file("ro"));
         ::chmod(d.file("ro").c_str(), 0555);
         fs::create_symlink("ro/f", d.file("f"));
       },
       false, [](const test::TempDir& d) { EXPECT_FALSE(fs::exists(d.file("ro/f"))); }},
  };
  for (const auto& c : cases) {
    test::TempDir dir;
    c.arrange(dir);
    const ino_t before = InodeOf(dir.file("ro/f"));
    EXPECT_EQ(WriteFileAtomically(dir.file("f"), "new"), c.written) << c.what;
    if (c.written) {
      EXPECT_EQ(dir.read("f"), "new") << c.what;
    }
    if (before != 0 && c.written) {
      EXPECT_EQ(InodeOf(dir.file("ro/f")), before) << c.what;
    }
    if (c.check) c.check(dir);
    if (fs::exists(dir.file("ro"))) ::chmod(dir.file("ro").c_str(), 0755);
  }
}

// A full disk in a folder we may not write to: the in-place write fails before it changes a
// byte, or puts the old bytes back, so the file is never left shortened.
TEST(Files, InPlaceWriteOnAFullDiskKeepsTheOldFile) {
  test::TempDir dir;
  const std::string mount = dir.file("small");
  fs::create_directory(mount);
  if (::mount("tmpfs", mount.c_str(), "tmpfs", 0, "size=64k") != 0)
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno) << "): needs CAP_SYS_ADMIN";
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
  } unmount{mount};
  const std::string ro = mount + "/ro", file = ro + "/Setting.ini";
  fs::create_directory(ro);
  const std::string old(3000, 'o');
  { std::ofstream(file) << old; }
  ::chmod(ro.c_str(), 0555);
  // Fill what is left, so the file can grow by nothing.
  {
    std::ofstream filler(mount + "/filler");
    const std::string block(4096, 'f');
    while (filler << block && filler.flush()) {
    }
  }
  const struct {
    const char* what;
    size_t size;
    bool written;
  } cases[] = {{"longer than the room left", 200'000, false}, {"shorter than before", 100, true}};
  for (const auto& c : cases) {
    const std::string before = ReadWholeFile(file).value_or("");
    const std::string content(c.size, 'n');
    EXPECT_EQ(WriteFileAtomically(file, content), c.written) << c.what;
    EXPECT_EQ(ReadWholeFile(file).value_or("?"), c.written ? content : before) << c.what;
  }
  ::chmod(ro.c_str(), 0755);
}

}  // namespace
}  // namespace pindle
