// Code page 936 and UTF-16 in both directions, the UTF-8 decision and answer decoding.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "generate/shorten_engine.h"
#include "platform/codepage.h"
#include "text/percent_encoding.h"

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
  // UTF-16 (a "Unicode" Setting.ini): any bytes decode to well-formed text, which survives the way back.
  const pindle::Text fromUtf16 = pindle::Utf16LeToUtf8(bytes);
  if (!pindle::IsWellFormedUtf8(fromUtf16)) std::abort();
  if (pindle::Utf16LeToUtf8(pindle::Utf8ToUtf16Le(fromUtf16)) != fromUtf16) std::abort();
  if (pindle::Utf16LeToUtf8(pindle::Utf8ToUtf16Le(bytes)) != pindle::SanitizeUtf8(bytes)) std::abort();
  return 0;
}
