#pragma once
#include <chrono>
#include <cstddef>
#include <deque>
#include <iosfwd>
#include <optional>
#include <vector>

#include "platform/types.h"

namespace pindle::cli {

// A command's input lines: its arguments when it has any, else standard input, read a line at a
// time as they are taken (never the whole input at once). Lines are split as LineCursor splits a
// text: at LF, a CR before it dropped, a final LF starting no line.
class InputLines {
 public:
  // `in` is read only when `arguments` is empty. `keepLineEnds`: each line read from `in` keeps
  // its CR and LF as they were (for a reader that splits the text itself).
  InputLines(std::vector<Text> arguments, std::istream& in, bool keepLineEnds = false);
  // How many lines there are, when that is known before they are read: the arguments, or
  // standard input that is a regular file (counted without moving it on).
  std::optional<std::size_t> count() const { return count_; }
  // Up to `most` lines read ahead: how many there are, at most `most`. Waits for the input, but
  // for a pipe only as long as `patience` (a program feeding lines one at a time may wait for
  // the answer to the first before it writes the next).
  std::size_t lookAhead(std::size_t most, std::chrono::milliseconds patience = std::chrono::milliseconds::max());
  // Whether standard input was read to its end.
  bool atEnd() const { return ended_; }
  // The line looked ahead at `index` (0-based); lookAhead() said it exists.
  const Text& ahead(std::size_t index) const { return ahead_[index]; }
  // Whether next() answers without waiting for the input.
  bool ready();
  // The next line; none at the end.
  std::optional<Text> next();
  // How many lines the input holds in all, reading (and dropping) what is left for at most
  // `most` while it comes without waiting; none when its end was not reached.
  std::optional<std::size_t> total(std::chrono::milliseconds most);

 private:
  bool readOne();
  // Whether reading one more line (or learning that there is none) will not wait.
  bool moreAtHand();

  std::vector<Text> arguments_;
  std::size_t nextArgument_ = 0;
  std::istream& in_;
  bool keepLineEnds_ = false;
  bool fromStandardInput_ = false;  // `in_` is std::cin, on file descriptor 0
  bool pipe_ = false;               // ... and that is a pipe or a socket
  bool ended_ = false;
  std::size_t read_ = 0;  // lines read so far
  std::deque<Text> ahead_;
  std::optional<std::size_t> count_;
};

}  // namespace pindle::cli
