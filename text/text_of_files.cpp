#include "text/text_of_files.h"

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/utf16_text.h"

namespace pindle {

Text TextOfFiles(const std::vector<Text>& paths) {
  Text all;
  for (const Text& path : paths) {
    const auto bytes = ReadWholeFile(path, 64u << 20);
    if (!bytes) continue;
    // The box holds LF line ends; files from Windows bring CR LF.
    Text text;
    // Notepad's "Unicode" is UTF-16 with a mark; anything else is UTF-8 or GBK.
    const auto utf16 = DecodeUtf16WithMark(*bytes);
    const Text decoded = utf16 ? *utf16 : DecodeLocalText(*bytes);
    text.reserve(decoded.size());
    for (size_t i = 0; i < decoded.size(); ++i) {
      if (decoded[i] == '\r') {
        if (i + 1 < decoded.size() && decoded[i + 1] == '\n') continue;
        text.push_back('\n');
      } else {
        text.push_back(decoded[i]);
      }
    }
    // One file's last line and the next file's first line must not run together.
    if (!all.empty() && all.back() != '\n') all.push_back('\n');
    all += text;
  }
  return all;
}

}  // namespace pindle
