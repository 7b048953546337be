// Taking an address apart.
#include "fuzz/fuzz_input.h"
#include "web/url_helpers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string url(reinterpret_cast<const char*>(data), size);
  pindle::UrlHost(url);
  pindle::UrlHost(url, true);
  pindle::UrlPort(url);
  pindle::UrlPath(url);
  return 0;
}
