#include "plugins/plugin_file.h"

#include <string_view>

#include "platform/codepage.h"
#include "platform/files.h"

namespace pindle {

Text ReadPluginFileText(const Text& path) { return ReadPluginFile(path).text; }

PluginFileText ReadPluginFile(const Text& path) {
  const auto bytes = ReadWholeFile(path, kPluginFileSizeLimit);
  if (!bytes) return {};
  std::string_view text(*bytes);
  // The text ends where a C string or an old DOS text file would end. Neither byte occurs inside
  // a GBK or UTF-8 character, so the cut never splits one.
  const auto end = text.find_first_of(std::string_view("\0\x1A", 2));
  if (end != std::string_view::npos) text = text.substr(0, end);
  return PluginFileText{DecodeLocalText(text), ReadsAsUtf8(text)};
}

}  // namespace pindle
