#include "generate/placeholders.h"

#include <nlohmann/json.hpp>
#include <optional>

#include "platform/codepage.h"
#include "text/percent_encoding.h"
#include "text/text_utils.h"

namespace pindle {
namespace {

bool StartsAt(const Text& text, size_t at, std::string_view word) {
  return text.size() - at >= word.size() && EqualsIgnoreAsciiCase(std::string_view(text).substr(at, word.size()), word);
}

// ASCII-only escapes, so the body is the same bytes whatever the wire encoding.
Text JsonEscaped(const Text& value) {
  const Text quoted = nlohmann::json(value).dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
  return quoted.substr(1, quoted.size() - 2);
}

Text Written(const Text& value, PlaceholderPlace place, bool wireUtf8) {
  switch (place) {
    case PlaceholderPlace::Address:
    case PlaceholderPlace::FormData:
      return PercentEncodeBytes(wireUtf8 ? Bytes(value) : Utf8ToGbk(value), PercentKeep::Unreserved);
    case PlaceholderPlace::JsonData:
      return JsonEscaped(value);
    case PlaceholderPlace::Header:
      break;
  }
  return value;
}

// A "$Field:Name$" at `at` naming a known field: where it ends and the field's value.
std::optional<std::pair<size_t, std::map<Text, Text>::const_iterator>> FieldAt(const Text& text, size_t at,
                                                                               const std::map<Text, Text>& fields) {
  const std::string_view start = kFieldPlaceholderStart;
  if (text.compare(at, start.size(), start) != 0) return std::nullopt;
  const size_t end = text.find('$', at + start.size());
  if (end == Text::npos) return std::nullopt;
  const auto it = fields.find(text.substr(at + start.size(), end - at - start.size()));
  if (it == fields.end()) return std::nullopt;
  return std::make_pair(end + 1, it);
}

std::map<Text, Text>::const_iterator LinkValueAt(const Text& text, size_t at, const std::map<Text, Text>& values) {
  for (auto it = values.begin(); it != values.end(); ++it)
    if (StartsAt(text, at, it->first)) return it;
  return values.end();
}

}  // namespace

Text FillPlaceholders(const Text& text, PlaceholderPlace place, const PlaceholderValues& v) {
  if (text.find('$') == Text::npos) return text;
  const bool data = place == PlaceholderPlace::FormData || place == PlaceholderPlace::JsonData;
  Text out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] != '$') {
      out.push_back(text[i++]);
      continue;
    }
    if (data && StartsAt(text, i, "$Url$")) {
      out += PercentEncode(v.longUrl, false, v.urlUtf8);
      i += 5;
    } else if (data && StartsAt(text, i, kRawUrlPlaceholder)) {
      out += place == PlaceholderPlace::JsonData ? JsonEscaped(v.longUrl)
                                                 : PercentEncodeBytes(v.longUrl, PercentKeep::AllButFormSyntax);
      i += std::string_view(kRawUrlPlaceholder).size();
    } else if (StartsAt(text, i, kAliasPlaceholder)) {
      out += Written(v.alias, place, v.wireUtf8);
      i += std::string_view(kAliasPlaceholder).size();
    } else if (const auto linked = LinkValueAt(text, i, v.link); linked != v.link.end()) {
      out += Written(linked->second, place, v.wireUtf8);
      i += linked->first.size();
    } else if (const auto field = FieldAt(text, i, v.fields)) {
      Text value = field->second->second;
      if (place == PlaceholderPlace::Address && i == 0) {
        // The service's own address (a self-hosted server): taken as it stands, without the
        // slash that would double the one of the path behind it.
        while (!value.empty() && value.back() == '/') value.pop_back();
        out += value;
      } else {
        out += Written(value, place, v.wireUtf8);
      }
      i = field->first;
    } else {
      out.push_back(text[i++]);
    }
  }
  return out;
}

}  // namespace pindle
