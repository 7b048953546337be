#include "app/cli/input_lines.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iostream>
#include <string>

namespace pindle::cli {
namespace {

// The lines of the regular file open on `fd` from where it stands, counted with pread so that
// the reading that follows starts where it would have; none when `fd` is no regular file.
std::optional<std::size_t> CountLinesAhead(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const off_t start = ::lseek(fd, 0, SEEK_CUR);
  if (start < 0) return std::nullopt;
  std::vector<char> buffer(1 << 20);
  std::size_t breaks = 0;
  bool any = false;
  char last = '\n';
  for (off_t at = start;;) {
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    for (ssize_t i = 0; i < n; ++i) breaks += buffer[static_cast<std::size_t>(i)] == '\n';
    last = buffer[static_cast<std::size_t>(n - 1)];
    any = true;
    at += n;
  }
  return breaks + (any && last != '\n' ? 1 : 0);
}

}  // namespace

InputLines::InputLines(std::vector<Text> arguments, std::istream& in, bool keepLineEnds)
    : arguments_(std::move(arguments)), in_(in), keepLineEnds_(keepLineEnds) {
  if (!arguments_.empty()) {
    count_ = arguments_.size();
    return;
  }
  fromStandardInput_ = &in_ == &std::cin;
  if (!fromStandardInput_) return;
  count_ = CountLinesAhead(STDIN_FILENO);
  struct stat st {};
  pipe_ = ::fstat(STDIN_FILENO, &st) == 0 && (S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode));
}

bool InputLines::readOne() {
  if (!arguments_.empty()) {
    if (nextArgument_ >= arguments_.size()) return false;
    ahead_.push_back(std::move(arguments_[nextArgument_++]));
    return true;
  }
  if (ended_) return false;
  Text line;
  if (!std::getline(in_, line)) {
    ended_ = true;
    return false;
  }
  if (keepLineEnds_) {
    if (!in_.eof()) line += '\n';  // getline stopped at one
  } else if (!line.empty() && line.back() == '\r') {
    line.pop_back();
  }
  ahead_.push_back(std::move(line));
  ++read_;
  return true;
}

std::size_t InputLines::lookAhead(std::size_t most, std::chrono::milliseconds patience) {
  const auto until = pipe_ && patience != std::chrono::milliseconds::max()
                         ? std::optional(std::chrono::steady_clock::now() + patience)
                         : std::nullopt;
  while (ahead_.size() < most) {
    if (until && !moreAtHand()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - std::chrono::steady_clock::now());
      pollfd fd{STDIN_FILENO, POLLIN, 0};
      if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) == 0) break;
    }
    if (!readOne()) break;
  }
  return std::min(ahead_.size(), most);
}

bool InputLines::ready() { return !ahead_.empty() || moreAtHand(); }

bool InputLines::moreAtHand() {
  if (ended_ || !arguments_.empty()) return true;
  if (in_.rdbuf()->in_avail() != 0) return true;  // buffered, or known to be at its end
  if (!fromStandardInput_) return true;
  pollfd fd{STDIN_FILENO, POLLIN, 0};
  return ::poll(&fd, 1, 0) != 0;  // readable, at its end, or failed: reading will not wait
}

std::optional<Text> InputLines::next() {
  if (ahead_.empty() && !readOne()) return std::nullopt;
  Text line = std::move(ahead_.front());
  ahead_.pop_front();
  return line;
}

std::optional<std::size_t> InputLines::total(std::chrono::milliseconds most) {
  if (count_) return count_;
  const auto until = std::chrono::steady_clock::now() + most;
  while (!ended_ && moreAtHand() && std::chrono::steady_clock::now() < until) {
    readOne();
    ahead_.clear();
  }
  if (!ended_) return std::nullopt;
  return read_;
}

}  // namespace pindle::cli
