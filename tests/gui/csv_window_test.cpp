#include <gtest/gtest.h>

#include <QComboBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/gui/actions/generate_actions.h"
#include "app/gui/actions/program_actions.h"
#include "app/gui/file_choice.h"
#include "config/settings.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tests/gui/gui_test_support.h"
#include "tests/support/loopback_shortener.h"
#include "tests/support/plugin_files.h"
#include "text/csv_reader.h"
#include "text/csv_writer.h"

namespace pindle::test {
namespace {

// Shlink's export layout: quotes, commas and a line break inside a title, a Chinese address, an
// alias on one record and a record without a URL (which fails at the service).
const std::string kShlinkCsv =
    "Long URL,Tags,Domain,Short code,Title\r\n"
    "http://127.0.0.1/a,\"news,tech\",,mine,\"He said \"\"hi\"\"\nand left\"\r\n"
    "http://127.0.0.1/中文,,s.example,,标题\r\n"
    ",empty,,,\r\n";

// The window with two plug-ins on a loopback service, one taking an alias, loaded by 刷新.
struct CsvWindow {
  LoopbackShortener service;
  ProgramActions actions;
  WindowFixture f{actions};
  QPlainTextEdit* box = f.find<QPlainTextEdit>("生成_长网址");
  QComboBox* choice = f.find<QComboBox>("生成_批量接口");

  CsvWindow() {
    Settings::write(kSoftwareSection, kConcurrencyKey, "1");
    WritePlugin(f.dir(), "plain.json", {.name = "Plain", .path = service.base() + "/create.php?format=simple&"});
    WritePlugin(
        f.dir(), "alias.json",
        {.name = "Alias", .path = service.base() + "/create.php?format=simple&", .data = "url=$Url$&a=$Alias$"});
    auto* refresh = f.find<QPushButton>("插件_刷新");
    f.showPageOf(refresh);
    QTest::mouseClick(refresh, Qt::LeftButton);
    EXPECT_TRUE(SpinUntil([&] { return choice->count() == 2; }));
    // The load's worker still reports to the window after the choice is filled: the window must
    // outlive it.
    EXPECT_TRUE(SpinUntil([&] { return actions.runningWorkers() == 0; }));
    f.showPageOf(box);
  }
  void choose(const char* name) { choice->setCurrentIndex(choice->findText(QString::fromUtf8(name))); }
  // 打开 CSV… with the file dialog answered.
  void open(const std::string& file) {
    AnswerNextFileChoice(QString::fromStdString(f.dir().file(file)));
    QTest::mouseClick(f.find<QPushButton>("生成_打开CSV"), Qt::LeftButton);
  }
  // 生成, then 导出结果… on the first row into `file`; its bytes.
  std::string generateAndExport(int rows, const std::string& file) {
    QTest::mouseClick(f.find<QPushButton>("生成_生成按钮"), Qt::LeftButton);
    auto* results = f.find<QTreeWidget>("生成_结果列表");
    EXPECT_TRUE(SpinUntil([&] { return results->topLevelItemCount() == rows && !GenerationUnfinished(); }));
    auto* menu = f.find<QMenu>("生成菜单");
    RightClickRow(results, 0);
    EXPECT_TRUE(SpinUntil([&] { return menu->isVisible(); }));
    menu->hide();
    AnswerNextFileChoice(QString::fromStdString(f.dir().file(file)));
    menu->findChild<QAction*>(QStringLiteral("导出结果…"))->trigger();
    return ReadWholeFile(f.dir().file(file)).value_or("(none)");
  }
};

TEST(CsvWindow, OpenedFileFillsTheBoxAsTheChosenPluginTakesIt) {
  CsvWindow w;
  w.f.dir().write("shlink.csv", kShlinkCsv);
  w.f.dir().write("gbk.csv", Utf8ToGbk("名称,长网址\r\n甲,http://127.0.0.1/甲\r\n"));
  w.f.dir().write("nourl.csv", "link,alias\r\nhttp://127.0.0.1/x,y\r\n");
  const struct {
    const char* file;
    const char* plugin;
    const char* box;
  } cases[] = {
      {"shlink.csv", "Plain", "http://127.0.0.1/a\nhttp://127.0.0.1/中文\n\n"},
      {"shlink.csv", "Alias", "http://127.0.0.1/a\tmine\nhttp://127.0.0.1/中文\n\n"},
      {"gbk.csv", "Alias", "http://127.0.0.1/甲\n"},
      // No long-URL column: the box keeps what it had, the status names the headers looked for.
      {"nourl.csv", "Plain", "http://127.0.0.1/甲\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.file) + " " + c.plugin);
    w.choose(c.plugin);
    w.open(c.file);
    EXPECT_EQ(w.box->toPlainText().toStdString(), c.box);
  }
  EXPECT_NE(w.f.ui().statusText().find("Long URL"), Text::npos) << w.f.ui().statusText();

  // Another plug-in chosen: the file's lines follow it; once edited, the box is the user's.
  w.open("shlink.csv");
  w.choose("Alias");
  EXPECT_EQ(w.box->toPlainText().toStdString(), "http://127.0.0.1/a\tmine\nhttp://127.0.0.1/中文\n\n");
  w.box->setPlainText(w.box->toPlainText() + "x\ty");
  w.choose("Plain");
  EXPECT_TRUE(w.box->toPlainText().endsWith(QStringLiteral("x\ty")));

  // A .csv dropped alone is opened as 打开 CSV… opens it.
  w.choose("Plain");
  EXPECT_NE(DropWith(&w.f.window(), FilesData({w.f.dir().file("shlink.csv")}).get(), Qt::CopyAction), Qt::IgnoreAction);
  EXPECT_EQ(w.box->toPlainText().toStdString(), "http://127.0.0.1/a\nhttp://127.0.0.1/中文\n\n");
}

TEST(CsvWindow, ExportedRowsKeepTheFilesColumnsAndReadBack) {
  CsvWindow w;
  w.f.dir().write("shlink.csv", kShlinkCsv);
  w.choose("Alias");
  w.open("shlink.csv");
  const std::string sheet = w.generateAndExport(3, "out.csv");
  ASSERT_TRUE(sheet.starts_with(kUtf8Bom)) << sheet;
  const std::vector<CsvRecord> read = ReadCsv(sheet);
  const std::vector<CsvRecord> wanted = {
      {"Long URL", "Tags", "Domain", "Short code", "Title", "短网址", "插件", "失败原因"},
      {"http://127.0.0.1/a", "news,tech", "", "mine", "He said \"hi\"\nand left", w.service.shortFor(1), "Alias", ""},
      {"http://127.0.0.1/中文", "", "s.example", "", "标题", w.service.shortFor(2), "Alias", ""},
      {"", "empty", "", "", "", "", "Alias", "HTTP 400：Error: Please enter a valid URL to shorten"},
  };
  EXPECT_EQ(read, wanted);
  const auto seen = w.service.requests();
  ASSERT_GE(seen.size(), 1u);
  EXPECT_NE(seen[0].target.find("a=mine"), std::string::npos) << seen[0].target;

  // Lines typed in: the long URL stands in the first column.
  w.box->setPlainText(QStringLiteral("http://127.0.0.1/typed\n"));
  EXPECT_EQ(ReadCsv(w.generateAndExport(1, "typed.csv")),
            (std::vector<CsvRecord>{{"长网址", "短网址", "插件", "失败原因"},
                                    {"http://127.0.0.1/typed", w.service.shortFor(4), "Alias", ""}}));
}

}  // namespace
}  // namespace pindle::test
