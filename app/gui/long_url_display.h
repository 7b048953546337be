#pragma once
#include <QPlainTextEdit>
#include <QString>

namespace pindle {

// Lines in the long-URL box: 0 when empty, else the LF count plus one, where an LF that ends the
// text starts no further line ("a\n" is one line).
int LongUrlLineCount(const QString& text);

// Wrapping: long lines wrap and only the vertical scroll bar shows. Otherwise long lines run on
// to the right and both scroll bars show.
void SetWrapping(QPlainTextEdit* box, bool wrapping);
bool IsWrapping(const QPlainTextEdit* box);

// After every change of the box's text: one URL wraps, a list of URLs keeps one URL a line;
// the caret goes to the end, nothing selected, and is scrolled into view.
void FollowLineCount(QPlainTextEdit* box);

}  // namespace pindle
