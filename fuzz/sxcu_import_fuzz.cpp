// A ShareX uploader file from a stranger: whatever it holds, a file it turns into must be a plug-in
// file the list and the engine can read.
#include <string>

#include "json/json_document.h"
#include "plugins/sxcu_import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const pindle::SxcuConversion conversion = pindle::ConvertSxcu(std::string(reinterpret_cast<const char*>(data), size));
  if (!conversion.readable) return 0;
  pindle::JsonDocument doc;
  if (!doc.Parse(conversion.pluginJson)) __builtin_trap();
  for (const char* key : {"Name", "API.Type", "API['API Path']", "API.Data", "API.Headers", "Response.Type",
                          "Response.Parameter", "Response.Prefix", "Fields"})
    doc.GetText(key);
  return 0;
}
