#pragma once
#include <string>

#include "tests/support/temp_dir.h"

namespace pindle::test {

// The fields of a plug-in file a test cares about; the rest get ordinary values.
struct PluginFields {
  std::string name = "测试短链";
  std::string type = "GET";
  std::string path;  // API Path
  std::string data = "url=$Url$";
  std::string headers;
  std::string responseType = "0";
  std::string parameter;
  std::string prefix;
  std::string updateUrl;
  // The optional keys; written only when not empty.
  std::string bodyType;      // API.BodyType
  std::string pattern;       // Response.Pattern
  std::string resultPrefix;  // Response.ResultPrefix
  std::string encoding;      // Encoding
  std::string fields;        // Fields, as JSON text
};

// The plug-in file's JSON text (UTF-8).
std::string PluginJson(const PluginFields& fields);

// Writes Plug/<file> under `dir`, in GBK as Windows saves it (or UTF-8 when asked), and
// returns its full path.
std::string WritePlugin(const TempDir& dir, const std::string& file, const PluginFields& fields, bool utf8 = false);

}  // namespace pindle::test
