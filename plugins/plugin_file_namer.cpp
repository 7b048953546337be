#include "plugins/plugin_file_namer.h"

#include "platform/files.h"
#include "text/text_utils.h"

namespace pindle {

Text PluginFileBaseName(const Text& name, const Text& fallback) {
  Text out;
  for (const char c : name)
    out.push_back(Contains("/\\:*?\"<>|", std::string_view(&c, 1)) || (c >= 0 && c < 0x20) ? '_' : c);
  out = Trim(out);
  if (out.empty() || out == "." || out == "..") out = fallback;
  return out;
}

Text PluginFilePath(const Text& plugDir, const Text& name, const Text& fallback) {
  Text dir = plugDir;
  while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
  return dir + "/" + PluginFileBaseName(name, fallback) + ".json";
}

Text NewPluginFilePath(const Text& plugDir, const Text& name, const Text& fallback) {
  const Text first = PluginFilePath(plugDir, name, fallback);
  const Text stem = first.substr(0, first.size() - 5);
  Text target = first;
  for (int n = 2; FileExists(target); ++n) target = stem + "-" + std::to_string(n) + ".json";
  return target;
}

}  // namespace pindle
