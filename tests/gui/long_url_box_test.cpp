#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>

#include "app/gui/long_url_display.h"
#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

bool Wraps(QPlainTextEdit* box) {
  const bool wraps = box->lineWrapMode() == QPlainTextEdit::WidgetWidth;
  // The scroll bars go with the mode: vertical only when wrapping, both otherwise.
  EXPECT_EQ(box->horizontalScrollBarPolicy(), wraps ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
  EXPECT_EQ(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
  return wraps;
}

void ExpectCaretAtEnd(QPlainTextEdit* box) {
  EXPECT_EQ(box->textCursor().position(), box->document()->characterCount() - 1);
  EXPECT_FALSE(box->textCursor().hasSelection());
}

TEST(LongUrlBox, LineCount) {
  const struct {
    const char* text;
    int lines;
  } rows[] = {{"", 0}, {"a", 1}, {"a\n", 1}, {"\n", 1}, {"a\nb", 2}, {"a\nb\n", 2}, {"a\n\nb", 3}, {"\n\n", 2}};
  for (const auto& row : rows)
    EXPECT_EQ(LongUrlLineCount(QString::fromUtf8(row.text)), row.lines) << "text: " << row.text;
}

TEST(LongUrlBox, TextSetByCodeDecidesTheModeOnce) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* box = f.find<QPlainTextEdit>("生成_长网址");
  EXPECT_TRUE(Wraps(box)) << "empty at start";
  const struct {
    const char* text;
    bool wraps;
  } rows[] = {
      {"", true},
      {"https://127.0.0.1/one/long/url/that/is/longer/than/the/box/is/wide", true},
      {"a\n", true},
      {"a\r\nb", false},
      {"u1\nu2\nu3", false},
      {"just one", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    QSignalSpy changed(box, &QPlainTextEdit::textChanged);
    f.ui().longUrlBox().setText(row.text);
    EXPECT_EQ(changed.count(), 1) << "writing the text raises one change, as typing does";
    EXPECT_EQ(Wraps(box), row.wraps);
    ExpectCaretAtEnd(box);
    EXPECT_EQ(f.ui().longUrlBox().text().find('\r'), Text::npos) << "the box holds LF line ends";
  }
}

TEST(LongUrlBox, TypingFollowsTheLineCountAndKeepsTheCaretAtTheEnd) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* box = f.find<QPlainTextEdit>("生成_长网址");
  box->setFocus();
  QTest::keyClicks(box, "abc");
  EXPECT_TRUE(Wraps(box));
  QTest::keyClick(box, Qt::Key_Return);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("abc\n"));
  EXPECT_TRUE(Wraps(box)) << "a final line feed starts no line";
  QTest::keyClicks(box, "d");
  EXPECT_FALSE(Wraps(box)) << "the first line feed inside the text makes two lines";
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClick(box, Qt::Key_Backspace);
  EXPECT_EQ(box->toPlainText(), QStringLiteral("abc"));
  EXPECT_TRUE(Wraps(box));

  // A change in the middle still sends the caret to the end.
  QTextCursor caret = box->textCursor();
  caret.setPosition(1);
  box->setTextCursor(caret);
  QTest::keyClicks(box, "X");
  EXPECT_EQ(box->toPlainText(), QStringLiteral("aXbc"));
  ExpectCaretAtEnd(box);
}

TEST(LongUrlBox, BatchSwitchEnablesTheChoiceAndKeepsTheText) {
  WindowActions noActions;
  WindowFixture f(noActions);
  auto* box = f.find<QPlainTextEdit>("生成_长网址");
  auto* batch = f.find<QCheckBox>("生成_批量开关");
  auto* choice = f.find<QComboBox>("生成_批量接口");
  EXPECT_TRUE(batch->isHidden());
  EXPECT_FALSE(batch->isChecked());

  f.ui().longUrlBox().setText("one url");
  batch->click();  // unchecked -> checked
  EXPECT_TRUE(choice->isEnabled());
  EXPECT_EQ(box->toPlainText(), QStringLiteral("one url"));
  EXPECT_TRUE(Wraps(box)) << "the line count has the last word";

  batch->click();  // checked -> unchecked
  EXPECT_FALSE(choice->isEnabled());
  EXPECT_TRUE(Wraps(box));

  f.ui().longUrlBox().setText("u1\nu2");
  batch->click();
  EXPECT_TRUE(choice->isEnabled());
  EXPECT_EQ(box->toPlainText(), QStringLiteral("u1\nu2"));
  EXPECT_FALSE(Wraps(box));
  ExpectCaretAtEnd(box);
}

}  // namespace
}  // namespace pindle::test
