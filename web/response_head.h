#pragma once
#include <cstddef>
#include <string_view>

#include "platform/types.h"

namespace pindle {

// Builds the raw header block of the final response from the header lines libcurl passes on,
// in the form WinINet reports it: the status line, one "Name: value" line per header (both
// trimmed), each ending in CRLF, then one more CRLF. Every line starting with "HTTP/" begins a
// new response (an interim 100 or a proxy's answer), so only the last one stays.
class ResponseHead {
 public:
  // The reporting buffer holds 5000 bytes with the terminating zero: a longer block is not
  // reported at all, and the buffer's 5000 spaces come back instead.
  static constexpr std::size_t kBufferSize = 5000;

  void addLine(std::string_view line);
  void reset() { *this = ResponseHead(); }

  bool received() const { return started_; }
  // Whether the last response's head reached its blank line; a connection cut inside the head
  // leaves it incomplete even when libcurl reports no error.
  bool complete() const { return complete_; }
  // The block (decoded from code page 936), or 5000 spaces when none arrived or it did not fit.
  Text reported() const;

 private:
  Bytes raw_;
  bool started_ = false;
  bool tooLong_ = false;
  bool complete_ = false;
};

}  // namespace pindle
