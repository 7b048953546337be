#include "generate/line_cursor.h"

namespace pindle {

int LineCount(const Text& text) {
  if (text.empty()) return 0;
  int count = 1;
  for (const char c : text) count += c == '\n';
  if (text.back() == '\n') --count;
  return count;
}

LineCursor::LineCursor(Text text) : text_(std::move(text)) {}

Text LineCursor::line(int n) {
  if (n < 1) return {};
  if (n < next_) {
    offset_ = 0;
    next_ = 1;
  }
  while (offset_ < text_.size()) {
    size_t end = text_.find('\n', offset_);
    const size_t after = end == Text::npos ? text_.size() : end + 1;
    if (end == Text::npos) end = text_.size();
    const size_t start = offset_;
    offset_ = after;
    if (next_++ < n) continue;
    if (end > start && text_[end - 1] == '\r') --end;
    return text_.substr(start, end - start);
  }
  return {};
}

}  // namespace pindle
