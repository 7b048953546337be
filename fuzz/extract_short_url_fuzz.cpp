// ExtractShortUrl with each response type over a decoded answer.
#include "fuzz/fuzz_input.h"
#include "generate/shorten_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = pindle::fuzz::Fields(data, size, 3);
  const pindle::Text answer = pindle::DecodeAnswer(f[2]);
  for (const char* type : {"0", "1", "2", "3", "4", "x"}) pindle::ExtractShortUrl(answer, type, f[0], f[1]);
  return 0;
}
