#include "platform/ini_profile.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/support/temp_dir.h"

namespace pindle {
namespace {

const Bytes kSoftware = Utf8ToGbk("软件设定");
const Bytes kSwitches = Utf8ToGbk("插件开关");

// A Setting.ini laid out as Windows writes it: GBK names, CR LF.
Bytes windowsFile() {
  return Utf8ToGbk(
      "; written by hand\r\n"
      "[软件设定]\r\n"
      "自动加载=真\r\n"
      "  软件置顶 =  \"真\"  \r\n"
      "双击复制='假'\r\n"
      "自动加载=假\r\n"
      "注释 = a ;b\r\n"
      "no key line\r\n"
      "\r\n"
      "[ 插件开关 ]\r\n"
      "示例短链=否\r\n"
      "Is.gd=是\r\n"
      "\r\n"
      "[软件设定]\r\n"
      "自动更新=真\r\n");
}

TEST(IniProfile, LookupFollowsTheProfileRules) {
  const Bytes file = windowsFile();
  struct Case {
    const char* section;
    const char* key;
    std::optional<const char*> want;
  } cases[] = {
      {"软件设定", "自动加载", "真"},  // first duplicate wins
      {"软件设定", "软件置顶", "真"},  // trimmed, quotes removed
      {"软件设定", "双击复制", "假"},  // single quotes too
      {"软件设定", "注释", "a ;b"},    // ';' inside a value is no comment
      {"软件设定", "no key line", std::nullopt},
      {"软件设定", "自动更新", std::nullopt},  // only the first matching section is searched
      {"插件开关", "示例短链", "否"},          // section name trimmed
      {"插件开关", "IS.GD", "是"},             // ASCII case ignored
      {"插件开关", "missing", std::nullopt},
      {"没有", "x", std::nullopt},
  };
  for (const auto& c : cases) {
    const auto got = ProfileLookup(file, Utf8ToGbk(c.section), Utf8ToGbk(c.key));
    if (c.want) {
      ASSERT_TRUE(got.has_value()) << c.section << "/" << c.key;
      EXPECT_EQ(GbkToUtf8Text(*got), *c.want) << c.section << "/" << c.key;
    } else {
      EXPECT_FALSE(got.has_value()) << c.section << "/" << c.key;
    }
  }
}

TEST(IniProfile, CaseFoldingNeverTouchesSecondBytes) {
  // 0xB0 0x41 and 0xB0 0x61 are different characters whose second bytes are 'A' and 'a'.
  const Bytes file = "[s]\r\n\xB0\x41=1\r\n";
  EXPECT_TRUE(ProfileLookup(file, "s", "\xB0\x41").has_value());
  EXPECT_FALSE(ProfileLookup(file, "s", "\xB0\x61").has_value());
  EXPECT_EQ(*ProfileLookup("[S]\rk=v\r", "s", "K"), "v");  // CR-only line ends
  EXPECT_EQ(*ProfileLookup("[S]\nk=v", "s", "k"), "v");
}

TEST(IniProfile, UpdateKeepsEveryOtherLineByteForByte) {
  struct Case {
    Bytes before;
    const char* section;
    const char* key;
    const char* value;
    Bytes after;
  } cases[] = {
      {"", "s", "k", "v", "[s]\r\nk=v\r\n"},
      {"; c\r\n[s]\r\nk=old\r\nz=1\r\n", "s", "k", "new", "; c\r\n[s]\r\nk=new\r\nz=1\r\n"},
      {"[s]\r\na=1\r\n\r\n[t]\r\nb=2\r\n", "s", "c", "3", "[s]\r\na=1\r\nc=3\r\n\r\n[t]\r\nb=2\r\n"},
      {"[s]\r\na=1", "s", "c", "3", "[s]\r\na=1\r\nc=3"},
      {"[s]\r\na=1", "t", "c", "3", "[s]\r\na=1\r\n[t]\r\nc=3\r\n"},
      {"[s]\na=1\n", "S", "A", "2", "[s]\nA=2\n"},
      {"[s]\r\n", "s", "k", "v", "[s]\r\nk=v\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(ProfileUpdate(c.before, c.section, c.key, c.value), c.after) << c.before;
}

TEST(IniProfile, ReadAndWriteFiles) {
  test::TempDir dir;
  const Text file = dir.file("Setting.ini");
  EXPECT_EQ(ReadProfileString(file, "s", "k", "dflt"), "dflt");  // missing file
  EXPECT_TRUE(WriteProfileString(file, kSoftware, Utf8ToGbk("自动加载"), Utf8ToGbk("真")));
  EXPECT_EQ(dir.read("Setting.ini"), Utf8ToGbk("[软件设定]\r\n自动加载=真\r\n"));

  // A value over the limit is cut to the buffer minus the terminator, never inside a character.
  const Bytes longValue = Bytes(10238, 'x') + "\xD6\xD0" + "tail";
  ASSERT_TRUE(WriteProfileString(file, "s", "long", longValue));
  EXPECT_EQ(ReadProfileString(file, "s", "long", ""), Bytes(10238, 'x'));
  EXPECT_EQ(ReadProfileString(file, "s", "long", "", 10241), Bytes(10238, 'x') + "\xD6\xD0");

  // Line breaks in a name or value would smuggle in other keys.
  EXPECT_FALSE(WriteProfileString(file, "s", "k", "x\r\n[软件设定]"));
  EXPECT_FALSE(WriteProfileString(file, "s", "k\n", "x"));
  EXPECT_FALSE(ReadProfileString(file, "s", "k", "").size());
}

// Names given with blanks around them are the trimmed names: they find their key, and writing
// them again replaces the one line instead of adding another.
TEST(IniProfile, CallerNamesAreTrimmed) {
  test::TempDir dir;
  const Text file = dir.file("Setting.ini");
  const Bytes name = Utf8ToGbk(" 示例短链\t");
  for (const char* value : {"否", "是", "否"})
    ASSERT_TRUE(WriteProfileString(file, Utf8ToGbk(" 插件开关 "), name, Utf8ToGbk(value)));
  EXPECT_EQ(GbkToUtf8Text(dir.read("Setting.ini")), "[插件开关]\r\n示例短链=否\r\n");
  EXPECT_EQ(ReadProfileString(file, kSwitches, name, ""), Utf8ToGbk("否"));
  EXPECT_EQ(ReadProfileString(file, kSwitches, Utf8ToGbk("示例短链"), ""), Utf8ToGbk("否"));
  EXPECT_FALSE(WriteProfileString(file, kSwitches, "  ", "x"));  // nothing left of the name
  EXPECT_EQ(ReadProfileString(file, kSwitches, " ", "dflt"), "dflt");
}

// A Setting.ini saved as "Unicode" reads like any other and stays UTF-16 when written.
TEST(IniProfile, Utf16FileIsReadAndWrittenInUtf16) {
  const auto utf16 = [](const Text& text) { return Bytes("\xFF\xFE") + Utf8ToUtf16Le(text); };
  test::TempDir dir;
  const Text file = dir.file("Setting.ini");
  dir.write("Setting.ini", utf16("[软件设定]\r\n自动加载=真\r\n插件更新=http://h/😀\r\n[插件开关]\r\nIs.gd=否\r\n"));
  struct Case {
    Bytes section, key;
    Text want;
  } reads[] = {
      {kSoftware, Utf8ToGbk("自动加载"), "真"},
      {kSwitches, "IS.GD", "否"},
      {kSoftware, Utf8ToGbk("插件更新"), "http://h/?"},  // no code page 936 form: '?', as Windows gives
      {kSoftware, "missing", "dflt"},
  };
  for (const auto& c : reads) EXPECT_EQ(GbkToUtf8Text(ReadProfileString(file, c.section, c.key, "dflt")), c.want);

  ASSERT_TRUE(WriteProfileString(file, kSoftware, Utf8ToGbk("自动加载"), Utf8ToGbk("假")));
  ASSERT_TRUE(WriteProfileString(file, kSwitches, Utf8ToGbk("新插件"), Utf8ToGbk("是")));
  EXPECT_EQ(dir.read("Setting.ini"), utf16("[软件设定]\r\n自动加载=假\r\n插件更新=http://h/😀\r\n[插件开关]\r\n"
                                           "Is.gd=否\r\n新插件=是\r\n"));
  EXPECT_EQ(GbkToUtf8Text(ReadProfileString(file, kSwitches, Utf8ToGbk("新插件"), "")), "是");
}

TEST(IniProfile, RemoveTakesEveryCopyOfTheKeyAndNothingElse) {
  struct Case {
    const char* before;
    const char* key;
    const char* after;
  } cases[] = {
      {"[配置]\r\nKey=a\r\nToken=b\r\n", "key", "[配置]\r\nToken=b\r\n"},
      {"; c\r\n[配置]\r\nKey=a\r\n\r\nKey=dup\r\n[其他]\r\nKey=c\r\n", "Key",
       "; c\r\n[配置]\r\n\r\n[其他]\r\nKey=c\r\n"},
      {"[配置]\r\nToken=b\r\nKey=a", "Key", "[配置]\r\nToken=b\r\n"},  // last line without a terminator
      {"[配置]\r\nToken=b\r\n", "Key", "[配置]\r\nToken=b\r\n"},
      {"[其他]\r\nKey=c\r\n[配置]\r\nKey=a\r\n[配置]\r\nKey=z\r\n", "Key",
       "[其他]\r\nKey=c\r\n[配置]\r\n[配置]\r\nKey=z\r\n"},  // a later duplicate section is never read
  };
  for (const auto& c : cases)
    EXPECT_EQ(GbkToUtf8Text(ProfileRemove(Utf8ToGbk(c.before), Utf8ToGbk("配置"), c.key)), c.after) << c.before;

  test::TempDir dir;
  const Text file = dir.file("a.ini");
  EXPECT_TRUE(RemoveProfileString(file, "s", "k"));  // no file, no key
  EXPECT_FALSE(FileExists(file));
  dir.write("a.ini", Bytes("\xFF\xFE") + Utf8ToUtf16Le("[s]\r\nk=😀\r\nj=1\r\n"));
  EXPECT_TRUE(RemoveProfileString(file, "s", "k"));
  EXPECT_EQ(dir.read("a.ini"), Bytes("\xFF\xFE") + Utf8ToUtf16Le("[s]\r\nj=1\r\n"));
  EXPECT_EQ(FindProfileString(file, "s", "j"), std::optional<Bytes>("1"));
  EXPECT_EQ(FindProfileString(file, "s", "k"), std::nullopt);
}

TEST(IniProfile, QuotedValuesReadBackAsWritten) {
  struct Case {
    const char* value;
    const char* written;
  } cases[] = {
      {"plain", "plain"},
      {" lead", "\" lead\""},
      {"trail\t", "\"trail\t\""},
      {"\"q\"", "\"\"q\"\""},
      {"'q'", "\"'q'\""},
      {"a\"b", "a\"b"},
      {"", ""},
      {"\"", "\""},
      {"  ", "\"  \""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(QuoteProfileValue(c.value), c.written) << c.value;
    const Bytes file = ProfileUpdate("", "s", "k", QuoteProfileValue(c.value));
    EXPECT_EQ(ProfileLookup(file, "s", "k"), std::optional<Bytes>(c.value)) << c.value;
  }
}

TEST(IniProfile, Utf16Conversions) {
  struct Case {
    Bytes utf16;
    Text utf8;
  } cases[] = {
      {Bytes("a\0\x2D\x4E", 4), "a中"},
      {Bytes("\x3D\xD8\x00\xDE", 4), "😀"},
      {"\x3D\xD8"
       "a",
       "\xEF\xBF\xBD\xEF\xBF\xBD"},  // lone surrogate, odd byte
      {Bytes("\x00\xDC\x41\x00", 4),
       "\xEF\xBF\xBD"
       "A"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf16LeToUtf8(c.utf16), c.utf8);
  EXPECT_EQ(Utf8ToUtf16Le("a中😀"), Bytes("a\0\x2D\x4E\x3D\xD8\x00\xDE", 8));
}

TEST(IniProfile, ConcurrentWritersLoseNoKey) {
  test::TempDir dir;
  const Text file = dir.file("Setting.ini");
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i)
        WriteProfileString(file, kSwitches, "p" + std::to_string(t) + "_" + std::to_string(i), "\xCA\xC7");
    });
  for (auto& th : threads) th.join();
  for (int t = 0; t < 4; ++t)
    for (int i = 0; i < 50; ++i)
      EXPECT_EQ(ReadProfileString(file, kSwitches, "p" + std::to_string(t) + "_" + std::to_string(i), ""), "\xCA\xC7");
}

}  // namespace
}  // namespace pindle
