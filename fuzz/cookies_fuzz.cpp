// Cookies out of a response header block, and their merging.
#include "fuzz/fuzz_input.h"
#include "web/cookies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = pindle::fuzz::Fields(data, size, 2);
  const pindle::Text received = pindle::ExtractSetCookies(f[1]);
  pindle::Text sent = f[0];
  pindle::MergeCookies(sent, received);
  pindle::RemoveDuplicateMembers(f[1], "; ");
  return 0;
}
