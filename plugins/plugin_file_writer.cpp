#include "plugins/plugin_file_writer.h"

#include "platform/codepage.h"
#include "platform/files.h"
#include "plugins/plugin_file.h"

namespace pindle {

PluginFileEncoding DetectPluginFileEncoding(const Text& path) {
  const auto bytes = ReadWholeFile(path, kPluginFileSizeLimit);
  if (!bytes) return PluginFileEncoding::Gbk;
  if (bytes->compare(0, 3, "\xEF\xBB\xBF") == 0) return PluginFileEncoding::Utf8WithMark;
  // The reader's own rule: multi-byte UTF-8 that is not plausible GBK is read as UTF-8.
  if (HasNonAscii(*bytes) && DecodeLocalText(*bytes) == *bytes) return PluginFileEncoding::Utf8;
  return PluginFileEncoding::Gbk;
}

bool WritePluginFile(const Text& path, const Text& text, PluginFileEncoding encoding, PluginFileEncoding* written) {
  if (encoding == PluginFileEncoding::Gbk && GbkToUtf8Text(Utf8ToGbk(text)) != text)
    encoding = PluginFileEncoding::Utf8WithMark;
  Bytes content;
  switch (encoding) {
    case PluginFileEncoding::Gbk:
      content = Utf8ToGbk(text);
      break;
    case PluginFileEncoding::Utf8:
      content = text;
      break;
    case PluginFileEncoding::Utf8WithMark:
      content = "\xEF\xBB\xBF" + text;
      break;
  }
  if (!WriteFileAtomically(path, content)) return false;
  if (written) *written = encoding;
  return true;
}

}  // namespace pindle
