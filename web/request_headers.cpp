#include "web/request_headers.h"

#include <algorithm>
#include <iterator>

#include "platform/codepage.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

constexpr std::string_view kLibcurlDefaults[] = {"Accept", "Content-Type", "Expect", "Proxy-Connection"};

// Whether Trim would leave nothing of `text`, without copying it when it plainly holds more.
bool IsBlankText(std::string_view text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return true;
  if (static_cast<unsigned char>(text[first]) != 0xE3) return false;  // a full-width space starts so
  return Trim(text).empty();
}

}  // namespace

std::vector<std::string> CurlHeaderLines(std::string_view block, bool dropEntityHeaders, bool utf8) {
  std::vector<std::string> lines;
  bool written[std::size(kLibcurlDefaults)] = {};
  // Line by line without copying the block: the Referer alone is as long as the address.
  for (size_t from = 0; from < block.size();) {
    const size_t end = block.find("\r\n", from);
    std::string_view line = block.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
    from = end == std::string_view::npos ? block.size() : end + 2;
    // A stray CR or LF would end the line early on the wire and smuggle in another one.
    Text cleaned;
    if (line.find('\r') != std::string_view::npos || line.find('\n') != std::string_view::npos) {
      cleaned = Text(line);
      std::erase_if(cleaned, [](char c) { return c == '\r' || c == '\n'; });
      line = cleaned;
    }
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    const Text name = Trim(line.substr(0, colon));
    if (name.empty() || EqualsIgnoreAsciiCase(name, "User-Agent")) continue;
    if (dropEntityHeaders &&
        (EqualsIgnoreAsciiCase(name, "Content-Type") || EqualsIgnoreAsciiCase(name, "Content-Length")))
      continue;
    for (size_t i = 0; i < std::size(kLibcurlDefaults); ++i)
      written[i] = written[i] || EqualsIgnoreAsciiCase(name, kLibcurlDefaults[i]);
    Text kept = IsBlankText(line.substr(colon + 1)) ? name + ";" : Text(line);
    lines.push_back(utf8 ? std::move(kept) : Utf8ToGbk(kept));
  }
  for (size_t i = 0; i < std::size(kLibcurlDefaults); ++i)
    if (!written[i]) lines.push_back(Text(kLibcurlDefaults[i]) + ":");
  return lines;
}

}  // namespace pindle
