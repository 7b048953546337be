// JsonDocument::Parse of outside text (strict JSON or an object literal), then the path queries
// callers make.
#include <cstdlib>

#include "fuzz/fuzz_input.h"
#include "json/json_document.h"
#include "json/json_relaxed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto f = pindle::fuzz::Fields(data, size, 2);
  pindle::JsonDocument doc;
  doc.Parse(f[1]);
  for (const std::string& path : {f[0], std::string("API.Type"), std::string("API['API Path']"), std::string("[0]"),
                                  std::string("a.b[2].c"), std::string("length")}) {
    doc.GetText(path);
    doc.GetText(path, true);
    doc.TypeOf(path);
    doc.Count(path);
    doc.Exists(path);
    doc.GetNumber(path);
    doc.GetMemberJson(path);
    std::vector<pindle::Text> names;
    doc.MemberNames(names, path);
    doc.GetObject(path).ToJson();
  }
  doc.ToJson();
  // The object-literal rewriting behind Parse: what it makes of a text is already strict, so a
  // second pass must leave it as it is.
  if (const auto relaxed = pindle::RelaxedToStrictJson(f[1])) {
    const auto again = pindle::RelaxedToStrictJson(*relaxed);
    if (!again || *again != *relaxed) std::abort();
  }
  return 0;
}
