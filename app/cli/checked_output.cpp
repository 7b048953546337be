#include "app/cli/checked_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace pindle::cli {
namespace {
constexpr std::size_t kBufferBytes = 64 * 1024;
}

CheckedOutput::CheckedOutput(int fd) : fd_(fd), buffer_(kBufferBytes) {
  setp(buffer_.data(), buffer_.data() + buffer_.size());
}

bool CheckedOutput::drain() {
  const char* data = pbase();
  std::size_t left = static_cast<std::size_t>(pptr() - pbase());
  while (left > 0 && error_ == 0) {
    const ssize_t n = ::write(fd_, data, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error_ = n < 0 ? errno : EIO;
      break;
    }
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  // After a failure the rest is dropped: the command is told, and it says so once.
  setp(buffer_.data(), buffer_.data() + buffer_.size());
  return error_ == 0;
}

CheckedOutput::int_type CheckedOutput::overflow(int_type c) {
  if (!drain()) return traits_type::eof();
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int CheckedOutput::sync() { return drain() ? 0 : -1; }

bool CheckedOutput::finish() {
  drain();
  // A file system may report a failed write only when the file is closed.
  if (fd_ >= 0 && ::close(fd_) != 0 && error_ == 0) error_ = errno;
  fd_ = -1;
  return error_ == 0;
}

std::string WriteFailureText(int error) { return std::string("写入输出失败：") + std::strerror(error); }

}  // namespace pindle::cli
