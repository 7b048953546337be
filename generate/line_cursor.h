#pragma once
#include "platform/types.h"

namespace pindle {

// The lines of a text as SplitLines gives them, taken in order without splitting the text: a
// batch of a million lines holds the text once, not again as a million lines.
class LineCursor {
 public:
  explicit LineCursor(Text text = {});
  // Line n (1-based); empty when the text has no such line. Asking for the line after the last
  // one asked costs that line only; going back starts again from the top.
  Text line(int n);

 private:
  Text text_;
  size_t offset_ = 0;  // where line `next_` begins
  int next_ = 1;
};

}  // namespace pindle
