#include "web/response_head.h"

#include "platform/codepage.h"

namespace pindle {
namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

void ResponseHead::addLine(std::string_view line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
  if (line.substr(0, 5) == "HTTP/") {
    reset();
    started_ = true;
    raw_.append(TrimBlanks(line));
    raw_ += "\r\n";
  } else if (!started_) {
    return;
  } else if (line.empty()) {
    raw_ += "\r\n";
    complete_ = true;
  } else {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;  // folded continuation or junk: not a header
    raw_.append(TrimBlanks(line.substr(0, colon)));
    raw_ += ": ";
    raw_.append(TrimBlanks(line.substr(colon + 1)));
    raw_ += "\r\n";
  }
  if (raw_.size() >= kBufferSize) {
    tooLong_ = true;
    raw_.resize(kBufferSize);  // nothing more is needed to know it does not fit
  }
}

Text ResponseHead::reported() const {
  if (!started_ || tooLong_) return Text(kBufferSize, ' ');
  return GbkToUtf8Text(raw_);
}

}  // namespace pindle
