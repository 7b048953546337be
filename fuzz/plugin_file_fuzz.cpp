// A plug-in file from a stranger: read it as the list load and the engine do, key by key.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "json/json_document.h"
#include "plugins/plugin_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string path = [] {
    char name[] = "/tmp/pindle-fuzz-plugin-XXXXXX";
    const int fd = mkstemp(name);
    if (fd >= 0) close(fd);
    return std::string(name);
  }();
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  pindle::JsonDocument doc;
  doc.Parse(pindle::ReadPluginFileText(path));
  for (const char* key : {"Name", "Deploy", "Version", "Author", "Updated", "UpdateURL", "API.Type", "API['API Path']",
                          "API.Data", "API.Headers", "Response.Type", "Response.Parameter", "Response.Prefix"})
    doc.GetText(key);
  return 0;
}
