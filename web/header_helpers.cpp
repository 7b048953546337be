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
  Text out;
  out.reserve(block.size());
  for (size_t from = 0; from < block.size();) {
    const size_t end = block.find("\r\n", from);
    const std::string_view line =
        block.substr(from, end == std::string_view::npos ? std::string_view::npos : end - from);
    from = end == std::string_view::npos ? block.size() : end + 2;
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    if (!out.empty()) out += "\r\n";
    const size_t start = out.size();
    out += line;
    // Each word of the name (between dashes) starts with a capital.
    for (size_t i = 0; i < colon; ++i)
      if ((i == 0 || line[i - 1] == '-') && line[i] >= 'a' && line[i] <= 'z')
        out[start + i] = static_cast<char>(line[i] - 'a' + 'A');
  }
  return out;
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
