// The INI reader and writer over a hand-edited file.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "platform/ini_profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = pindle::fuzz::Fields(data, size, 4);
  pindle::ProfileLookup(f[3], f[0], f[1]);
  const pindle::Bytes updated = pindle::ProfileUpdate(f[3], f[0], f[1], f[2]);
  // A written key reads back (when the names are ones the writer would accept).
  if (!f[0].empty() && !f[1].empty() && f[0].find_first_of("\r\n]") == std::string::npos &&
      f[1].find_first_of("\r\n=;[") == std::string::npos && f[2].find_first_of("\r\n") == std::string::npos) {
    (void)pindle::ProfileLookup(updated, f[0], f[1]);
  }
  // A removed key is gone, whatever the file held.
  if (pindle::ProfileLookup(pindle::ProfileRemove(f[3], f[0], f[1]), f[0], f[1])) std::abort();
  // A quoted value reads back exactly.
  if (f[2].find_first_of("\r\n") == std::string::npos &&
      pindle::ProfileLookup(pindle::ProfileUpdate("", "s", "k", pindle::QuoteProfileValue(f[2])), "s", "k") != f[2])
    std::abort();
  return 0;
}
