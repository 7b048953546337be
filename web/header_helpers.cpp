#include "web/header_helpers.h"

#include "text/text_utils.h"

namespace pindle {

Text TextAfterFirstColon(std::string_view text) {
  const int colon = Find(text, ":");
  if (colon < 0) return {};
  return Trim(text.substr(static_cast<size_t>(colon)));
}

Text UserAgentFromHeaders(std::string_view headers) {
  const Text block = Text(headers) + "\r\n";
  Text agent = Trim(TextBetween(block, "User-Agent:", "\r\n"));
  if (!agent.empty()) return agent;
  // Taking everything behind the first colon of the whole block would carry the following
  // lines into the value, so read the user-agent line itself.
  for (const Text& line : Split(headers, "\r\n")) {
    const int colon = Find(line, ":");
    if (colon > 0 && EqualsIgnoreAsciiCase(Trim(line.substr(0, static_cast<size_t>(colon - 1))), "User-Agent"))
      return TextAfterFirstColon(line);
  }
  return {};
}

Text CapitalizeFirst(std::string_view text) {
  Text out(text);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
  return out;
}

Text NormalizeHeaderNames(std::string_view block) {
  std::vector<Text> lines;
  for (const Text& line : Split(block, "\r\n")) {
    const int colon = Find(line, ":");
    if (colon < 0) continue;
    const size_t nameEnd = static_cast<size_t>(colon - 1);
    Text name;
    size_t wordStart = 0;
    for (;;) {
      const size_t dash = line.find('-', wordStart);
      const size_t wordEnd = (dash == Text::npos || dash > nameEnd) ? nameEnd : dash;
      name += CapitalizeFirst(std::string_view(line).substr(wordStart, wordEnd - wordStart));
      if (wordEnd == nameEnd) break;
      name += '-';
      wordStart = wordEnd + 1;
    }
    lines.push_back(name + line.substr(nameEnd));
  }
  return Join(lines, "\r\n");
}

Text CompleteDefaultHeaders(std::string_view headers, std::string_view url, bool post) {
  Text h(headers);
  if (h.empty()) h = "Accept: */*";
  if (!Contains(h, "Accept:", true)) h += "\r\nAccept: */*";
  if (!Contains(h, "Referer:", true)) h += "\r\nReferer: " + Text(url);
  if (!Contains(h, "Accept-Language:", true)) h += "\r\nAccept-Language: zh-cn";
  if (post && !Contains(h, "Content-Type:", true)) h += "\r\nContent-Type: application/x-www-form-urlencoded";
  return h;
}

Text AppendCookieLine(std::string_view headers, std::string_view cookies) {
  Text h(headers);
  if (cookies.empty()) return h;
  h += Contains(cookies, "Cookie:") ? "\r\n" : "\r\nCookie: ";
  h += cookies;
  return h;
}

}  // namespace pindle
