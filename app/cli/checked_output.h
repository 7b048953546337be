#pragma once
#include <streambuf>
#include <string>
#include <vector>

namespace pindle::cli {

// Standard output as a stream buffer that remembers why a write failed (a full disk,
// /dev/full, a closed pipe), so that no command reports success over lost output.
class CheckedOutput : public std::streambuf {
 public:
  explicit CheckedOutput(int fd);
  // Writes what is buffered and closes the descriptor; false when anything was not written.
  bool finish();
  // errno of the first failed write or close; 0 when none failed.
  int error() const { return error_; }

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  bool drain();
  int fd_;
  int error_ = 0;
  std::vector<char> buffer_;
};

// "写入输出失败：No space left on device"
std::string WriteFailureText(int error);

}  // namespace pindle::cli
