// JsonValueAtPath, as the response extraction and the update check call it.
#include "fuzz/fuzz_input.h"
#include "json/json_document.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = pindle::fuzz::Fields(data, size, 2);
  pindle::JsonValueAtPath(f[1], f[0]);
  return 0;
}
