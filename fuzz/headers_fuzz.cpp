// Header name rewriting, user-agent lookup and header completion over a plug-in's headers.
#include "fuzz/fuzz_input.h"
#include "text/text_utils.h"
#include "web/header_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = pindle::fuzz::Fields(data, size, 2);
  pindle::NormalizeHeaderNames(f[1]);
  if (pindle::Contains(f[1], "User-Agent:", true)) pindle::UserAgentFromHeaders(f[1]);
  pindle::CompleteDefaultHeaders(f[1], f[0], true);
  pindle::AppendCookieLine(f[1], f[0]);
  return 0;
}
