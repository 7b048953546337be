#pragma once
#include "platform/types.h"

namespace pindle {

// How a text falls into lines, for every door: split at LF, a CR ending a line dropped, a
// final LF starts no line. The cursor takes them in order without splitting the text: a batch
// of a million lines holds the text once, not again as a million lines.

// 0 for an empty text, otherwise the LF count plus one, less one for a final LF.
int LineCount(const Text& text);

class LineCursor {
 public:
  explicit LineCursor(Text text = {});
  // Line n (1-based); empty when the text has no such line (n < 1 included). Asking for the line after the last
  // one asked costs that line only; going back starts again from the top.
  Text line(int n);

 private:
  Text text_;
  size_t offset_ = 0;  // where line `next_` begins
  int next_ = 1;
};

}  // namespace pindle
