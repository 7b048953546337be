#include "app/gui/long_url_display.h"

#include <QScrollBar>
#include <QTextCursor>

namespace pindle {

int LongUrlLineCount(const QString& text) {
  if (text.isEmpty()) return 0;
  const auto feeds = static_cast<int>(text.count(QLatin1Char('\n')));
  return text.endsWith(QLatin1Char('\n')) ? feeds : feeds + 1;
}

void SetWrapping(QPlainTextEdit* box, bool wrapping) {
  box->setLineWrapMode(wrapping ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
  box->setHorizontalScrollBarPolicy(wrapping ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAlwaysOn);
  box->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

bool IsWrapping(const QPlainTextEdit* box) { return box->lineWrapMode() == QPlainTextEdit::WidgetWidth; }

void FollowLineCount(QPlainTextEdit* box) {
  SetWrapping(box, LongUrlLineCount(box->toPlainText()) <= 1);
  QTextCursor caret = box->textCursor();
  caret.movePosition(QTextCursor::End);
  box->setTextCursor(caret);
  box->ensureCursorVisible();
}

}  // namespace pindle
