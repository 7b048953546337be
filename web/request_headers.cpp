#include "web/request_headers.h"

#include <algorithm>

#include "platform/codepage.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

constexpr std::string_view kLibcurlDefaults[] = {"Accept", "Content-Type", "Expect", "Proxy-Connection"};

}  // namespace

std::vector<std::string> CurlHeaderLines(std::string_view block, bool dropEntityHeaders, bool utf8) {
  std::vector<std::string> lines;
  std::vector<Text> names;
  for (Text line : Split(block, "\r\n")) {
    // A stray CR or LF would end the line early on the wire and smuggle in another one.
    std::erase_if(line, [](char c) { return c == '\r' || c == '\n'; });
    const int colon = Find(line, ":");
    if (colon < 0) continue;
    const Text name = Trim(line.substr(0, static_cast<size_t>(colon - 1)));
    if (name.empty() || EqualsIgnoreAsciiCase(name, "User-Agent")) continue;
    if (dropEntityHeaders &&
        (EqualsIgnoreAsciiCase(name, "Content-Type") || EqualsIgnoreAsciiCase(name, "Content-Length")))
      continue;
    if (Trim(line.substr(static_cast<size_t>(colon))).empty()) line = name + ";";
    names.push_back(name);
    lines.push_back(utf8 ? line : Utf8ToGbk(line));
  }
  for (const std::string_view own : kLibcurlDefaults) {
    const bool written =
        std::any_of(names.begin(), names.end(), [&](const Text& n) { return EqualsIgnoreAsciiCase(n, own); });
    if (!written) lines.push_back(Text(own) + ":");
  }
  return lines;
}

}  // namespace pindle
