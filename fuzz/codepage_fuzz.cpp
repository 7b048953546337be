// Code page 936 in both directions, the UTF-8 decision and answer decoding.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "generate/shorten_engine.h"
#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  pindle::LooksLikeUtf8(bytes);
  const pindle::Text decoded = pindle::GbkToUtf8Text(bytes);
  if (!pindle::IsWellFormedUtf8(decoded)) std::abort();  // program text is always well-formed
  pindle::Utf8ToGbk(bytes);
  // Text that came from 936 goes back to the same number of characters or fewer bytes.
  pindle::Utf8ToGbk(decoded);
  if (!pindle::IsWellFormedUtf8(pindle::DecodeLocalText(bytes))) std::abort();
  if (!pindle::IsWellFormedUtf8(pindle::DecodeAnswer(bytes))) std::abort();
  pindle::PercentEncode(decoded, true, true);
  return 0;
}
