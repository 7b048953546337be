#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>
#include <QWindow>

#include "app/gui/actions/program_actions.h"
#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

bool Drop(QWidget* target, const QMimeData* data) { return DropWith(target, data, Qt::CopyAction) != Qt::IgnoreAction; }

TEST(FileDrop, FilesDroppedAnywhereReachTheActionInDropOrder) {
  RecordingActions actions;
  WindowFixture f(actions);
  const auto files = FilesData({f.dir().file("b.txt"), f.dir().file("a 文件.txt")});
  // Over the edit box, which must leave the drop to the window.
  EXPECT_TRUE(Drop(f.find<QPlainTextEdit>("生成_长网址")->viewport(), files.get()));
  EXPECT_EQ(actions.droppedPaths(), (std::vector<Text>{f.dir().file("b.txt"), f.dir().file("a 文件.txt")}));
  EXPECT_TRUE(f.find<QPlainTextEdit>("生成_长网址")->toPlainText().isEmpty()) << "the box did not take the text";

  const auto one = FilesData({f.dir().file("c.txt")});
  EXPECT_TRUE(Drop(f.find<QPushButton>("生成_生成按钮"), one.get()));
  EXPECT_EQ(actions.droppedPaths(), (std::vector<Text>{f.dir().file("c.txt")}));

  // Offered as a move, the drop is taken as a copy: the source keeps its files.
  EXPECT_EQ(DropWith(&f.window(), one.get(), Qt::MoveAction | Qt::CopyAction), Qt::CopyAction);
}

TEST(FileDrop, TextAndWebLinksDoNothing) {
  RecordingActions actions;
  WindowFixture f(actions);
  QMimeData text;
  text.setText(QStringLiteral("https://127.0.0.1/dropped"));
  QMimeData link;
  link.setUrls({QUrl(QStringLiteral("https://127.0.0.1/link"))});
  for (const QMimeData* data : {static_cast<const QMimeData*>(&text), static_cast<const QMimeData*>(&link)}) {
    EXPECT_FALSE(Drop(f.find<QPlainTextEdit>("生成_长网址")->viewport(), data));
    EXPECT_FALSE(Drop(&f.window(), data));
  }
  EXPECT_TRUE(actions.events().empty());
  EXPECT_TRUE(f.find<QPlainTextEdit>("生成_长网址")->toPlainText().isEmpty());
}

TEST(FileDrop, DroppedFilesFillTheLongUrlBox) {
  ProgramActions actions;
  WindowFixture f(actions);
  auto* box = f.find<QPlainTextEdit>("生成_长网址");
  f.dir().write("three.txt", "http://a.example/1\r\nhttp://a.example/2\r\nhttp://a.example/3\r\n");
  f.dir().write("one.txt", "http://b.example/");

  EXPECT_TRUE(Drop(box->viewport(), FilesData({f.dir().file("three.txt")}).get()));
  EXPECT_EQ(box->toPlainText(), QStringLiteral("http://a.example/1\nhttp://a.example/2\nhttp://a.example/3\n"));
  EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::NoWrap);

  EXPECT_TRUE(Drop(&f.window(), FilesData({f.dir().file("one.txt"), f.dir().file("three.txt")}).get()));
  EXPECT_EQ(box->toPlainText(),
            QStringLiteral("http://b.example/\nhttp://a.example/1\nhttp://a.example/2\nhttp://a.example/3\n"));

  // Notepad's "Unicode" and "Unicode big endian": no NUL characters reach the box.
  f.dir().write("le.txt", std::string("\xFF\xFE"
                                      "h\0:\0/\0/\0\x2D\x4E\r\0\n\0x\0",
                                      18));
  f.dir().write("be.txt", std::string("\xFE\xFF"
                                      "\0y\0\n",
                                      6));
  EXPECT_TRUE(Drop(&f.window(), FilesData({f.dir().file("le.txt"), f.dir().file("be.txt")}).get()));
  EXPECT_EQ(box->toPlainText(), QStringLiteral("h://中\nx\ny\n"));

  EXPECT_TRUE(Drop(&f.window(), FilesData({f.dir().file("missing.txt")}).get()));
  EXPECT_TRUE(box->toPlainText().isEmpty()) << "an unreadable file empties the box";
  EXPECT_EQ(box->lineWrapMode(), QPlainTextEdit::WidgetWidth);
}

}  // namespace
}  // namespace pindle::test
