#include "web/cookies.h"

#include <algorithm>
#include <vector>

#include "text/text_utils.h"

namespace pindle {
namespace {

Text DropLastTwo(Text text) {
  text.resize(text.size() >= 2 ? text.size() - 2 : 0);
  return text;
}

}  // namespace

Text ExtractSetCookies(std::string_view headerBlock) {
  // Most answers set none: no need to take their head apart line by line.
  if (headerBlock.find("Set-Cookie") == std::string_view::npos) return {};
  Text cookies;
  for (const Text& line : Split(headerBlock, "\r\n")) {
    if (TextBefore(line, ": ") != "Set-Cookie") continue;
    const Text value =
        Contains(line, ";") ? TextBetween(line, "Set-Cookie:", ";") : Replace(line, "Set-Cookie:", "", 1, -1, false);
    cookies += Trim(value) + "; ";
  }
  return DropLastTwo(std::move(cookies));
}

Text CookieName(std::string_view member) {
  const size_t equals = member.find('=');
  return Trim(member.substr(0, equals));
}

Text MergeCookies(Text& sent, std::string_view received) {
  sent = RemoveSpaces(sent);
  std::vector<Text> merged = Split(RemoveSpaces(received), ";");
  for (const Text& member : Split(sent, ";")) {
    const Text name = CookieName(member);
    const bool known = std::any_of(merged.begin(), merged.end(), [&](const Text& m) { return CookieName(m) == name; });
    if (!known) merged.push_back(member);
  }
  Text joined;
  for (const Text& member : merged)
    if (Right(member, 8) != "=deleted") joined += member + "; ";
  sent = RemoveDuplicateMembers(DropLastTwo(std::move(joined)), "; ");
  return sent;
}

Text RemoveDuplicateMembers(std::string_view text, std::string_view delimiter) {
  std::vector<Text> kept;
  for (Text& member : Split(text, delimiter))
    if (std::find(kept.begin(), kept.end(), member) == kept.end()) kept.push_back(std::move(member));
  return Join(kept, delimiter);
}

}  // namespace pindle
