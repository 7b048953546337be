#include "app/window_arguments.h"

#include <array>
#include <string_view>

#include "platform/files.h"
#include "text/text_of_files.h"
#include "text/text_utils.h"
#include "web/link_check.h"

namespace pindle {
namespace {

// The options every Qt program understands; the first group takes a value.
constexpr std::array<std::string_view, 14> kOptionsWithValue = {
    "platform", "platformpluginpath", "platformtheme", "plugin",     "qwindowgeometry", "qwindowtitle", "qwindowicon",
    "display",  "geometry",           "style",         "stylesheet", "session",         "name",         "title"};
constexpr std::array<std::string_view, 5> kFlags = {"reverse", "widgetcount", "nograb", "dograb", "sync"};

// 0: not an option of the toolkit; otherwise how many arguments it spans.
size_t ToolkitOptionLength(const std::vector<Text>& args, size_t i) {
  std::string_view word = args[i];
  if (word.size() < 2 || word[0] != '-') return 0;
  word.remove_prefix(word.starts_with("--") ? 2 : 1);
  const size_t equals = word.find('=');
  const std::string_view name = word.substr(0, equals);
  for (std::string_view option : kOptionsWithValue)
    if (name == option) return equals != std::string_view::npos || i + 1 >= args.size() ? 1 : 2;
  for (std::string_view flag : kFlags)
    if (name == flag && equals == std::string_view::npos) return 1;
  return 0;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreAsciiCase(text.substr(0, prefix.size()), prefix);
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The local path of a file argument, or nothing when the argument names no readable file.
std::optional<Text> LocalFile(const Text& arg) {
  Text path = arg;
  if (StartsWithIgnoringCase(arg, "file://")) {
    std::string_view rest = std::string_view(arg).substr(7);
    if (rest.starts_with("localhost/")) rest.remove_prefix(9);
    if (!rest.starts_with('/')) return std::nullopt;  // a file on another host
    path.clear();
    for (size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 && HexValue(rest[i + 2]) >= 0) {
        path.push_back(static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2])));
        i += 2;
      } else {
        path.push_back(rest[i]);
      }
    }
  }
  if (path.empty() || !FileExists(path)) return std::nullopt;
  return path;
}

}  // namespace

std::optional<Text> UnusableWindowArgument(const std::vector<Text>& args) {
  for (size_t i = 0; i < args.size();) {
    if (const size_t span = ToolkitOptionLength(args, i)) {
      i += span;
      continue;
    }
    if (!HasWebScheme(args[i]) && !LocalFile(args[i])) return args[i];
    ++i;
  }
  return std::nullopt;
}

std::optional<Text> LongUrlBoxText(const std::vector<Text>& args) {
  Text text;
  bool any = false;
  for (size_t i = 0; i < args.size();) {
    if (const size_t span = ToolkitOptionLength(args, i)) {
      i += span;
      continue;
    }
    Text piece;
    if (HasWebScheme(args[i])) {
      piece = args[i];
    } else if (const auto file = LocalFile(args[i])) {
      piece = TextOfFiles({*file});
    } else {
      ++i;
      continue;
    }
    any = true;
    if (!text.empty() && text.back() != '\n') text.push_back('\n');
    text += piece;
    ++i;
  }
  if (!any) return std::nullopt;
  return text;
}

}  // namespace pindle
