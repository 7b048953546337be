#include "json/json_path.h"

#include <cmath>
#include <cstdlib>

#include "json/json_text.h"
#include "platform/codepage.h"

namespace pindle {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsIdentifierStart(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == '$' || b >= 0x80;
}
bool IsIdentifierPart(char c) { return IsIdentifierStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool ReadHex(std::string_view s, std::size_t at, std::size_t count, char32_t& value) {
  if (at + count > s.size()) return false;
  value = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const char c = s[at + k];
    int digit = 0;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return false;
    value = value * 16 + static_cast<char32_t>(digit);
  }
  return true;
}

// A quoted JavaScript string literal starting at `i` (on the quote); `i` ends behind the closing quote.
std::optional<Text> ReadStringLiteral(std::string_view s, std::size_t& i) {
  const char quote = s[i++];
  Text out;
  while (i < s.size()) {
    const char c = s[i++];
    if (c == quote) return out;
    if (c == '\n' || c == '\r') return std::nullopt;
    if (c != '\\') {
      out += c;
      continue;
    }
    if (i >= s.size()) return std::nullopt;
    const char e = s[i++];
    char32_t cp = 0;
    switch (e) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        out += '\r';
        break;
      case 'b':
        out += '\b';
        break;
      case 'f':
        out += '\f';
        break;
      case 'v':
        out += '\v';
        break;
      case '0':
        out += '\0';
        break;
      case 'x':
        if (!ReadHex(s, i, 2, cp)) return std::nullopt;
        i += 2;
        AppendUtf8(out, cp);
        break;
      case 'u':
        if (!ReadHex(s, i, 4, cp)) return std::nullopt;
        i += 4;
        AppendUtf8(out, (cp >= 0xD800 && cp <= 0xDFFF) ? char32_t{0xFFFD} : cp);
        break;
      default:
        out += e;  // \' \" \\ and any other escaped character stand for themselves
    }
  }
  return std::nullopt;
}

// A decimal number literal inside brackets, as the property key JavaScript makes of it.
std::optional<Text> ReadNumberKey(std::string_view s, std::size_t& i) {
  const std::size_t start = i;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
  const std::size_t digitsStart = i;
  while (i < s.size() && IsDigit(s[i])) ++i;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i;
  }
  if (i == digitsStart || (i == digitsStart + 1 && s[digitsStart] == '.')) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) ++i;
    const std::size_t exponentStart = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i == exponentStart) return std::nullopt;
  }
  const Text literal(s.substr(start, i - start));
  return JsNumberText(std::strtod(literal.c_str(), nullptr));
}

// The array index a property key names, when it is one ("0", "17"; not "01", "-1", "1.5").
std::optional<std::size_t> ArrayIndex(const Text& key) {
  if (key.empty() || key.size() > 10 || (key.size() > 1 && key[0] == '0')) return std::nullopt;
  unsigned long long value = 0;
  for (char c : key) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  if (value >= 4294967295ull) return std::nullopt;
  return static_cast<std::size_t>(value);
}

struct Step {
  PathValue::Kind kind;
  Json* node;
  double number;
};

// Walks `count` steps from the root, the way the engine reads member after member.
Step Walk(Json& root, const std::vector<Text>& steps, std::size_t count, const PathStepSeen& seen = {}) {
  Step at{root.is_discarded() ? PathValue::Kind::Undefined : PathValue::Kind::Node, &root, 0};
  const auto tell = [&](std::size_t k) {
    if (seen) seen(k, steps[k], PathValue{at.kind, at.node, at.number});
  };
  for (std::size_t k = 0; k < count; ++k) {
    const Text& key = steps[k];
    if (at.kind == PathValue::Kind::Undefined || (at.kind == PathValue::Kind::Node && at.node->is_null())) {
      at = Step{PathValue::Kind::Error, nullptr, 0};
      tell(k);
      return at;
    }
    if (at.kind == PathValue::Kind::Number) {
      at = Step{PathValue::Kind::Undefined, nullptr, 0};
      tell(k);
      continue;
    }
    Json& node = *at.node;
    if (node.is_object()) {
      auto& object = node.get_ref<Json::object_t&>();
      const auto found = object.find(key);
      at = found == object.end() ? Step{PathValue::Kind::Undefined, nullptr, 0}
                                 : Step{PathValue::Kind::Node, &found->second, 0};
    } else if (node.is_array()) {
      const auto index = ArrayIndex(key);
      if (key == "length")
        at = Step{PathValue::Kind::Number, nullptr, static_cast<double>(node.size())};
      else if (index && *index < node.size())
        at = Step{PathValue::Kind::Node, &node[*index], 0};
      else
        at = Step{PathValue::Kind::Undefined, nullptr, 0};
    } else if (node.is_string() && key == "length") {
      at = Step{PathValue::Kind::Number, nullptr, JsStringLength(node.get_ref<const Json::string_t&>())};
    } else {
      at = Step{PathValue::Kind::Undefined, nullptr, 0};
    }
    tell(k);
  }
  return at;
}

}  // namespace

std::optional<std::vector<Text>> ParseAccessors(std::string_view s) {
  std::vector<Text> steps;
  std::size_t i = 0;
  const auto skipBlanks = [&] {
    while (i < s.size() && IsBlank(s[i])) ++i;
  };
  skipBlanks();
  while (i < s.size()) {
    if (s[i] == '.') {
      ++i;
      skipBlanks();
      if (i >= s.size() || !IsIdentifierStart(s[i])) return std::nullopt;
      const std::size_t start = i;
      while (i < s.size() && IsIdentifierPart(s[i])) ++i;
      steps.emplace_back(s.substr(start, i - start));
    } else if (s[i] == '[') {
      ++i;
      skipBlanks();
      if (i >= s.size()) return std::nullopt;
      std::optional<Text> key = (s[i] == '\'' || s[i] == '"') ? ReadStringLiteral(s, i) : ReadNumberKey(s, i);
      if (!key) return std::nullopt;
      skipBlanks();
      if (i >= s.size() || s[i] != ']') return std::nullopt;
      ++i;
      steps.push_back(std::move(*key));
    } else {
      return std::nullopt;
    }
    skipBlanks();
  }
  return steps;
}

PathValue EvaluatePath(const Json& root, std::string_view accessors, const PathStepSeen& seen) {
  const auto steps = ParseAccessors(accessors);
  if (!steps) return PathValue{};
  // Walk only reads; it takes a mutable root so that FindNode can share it.
  const Step at = Walk(const_cast<Json&>(root), *steps, steps->size(), seen);
  return PathValue{at.kind, at.node, at.number};
}

Json* FindNode(Json& root, const std::vector<Text>& steps) {
  const Step at = Walk(root, steps, steps.size());
  return at.kind == PathValue::Kind::Node ? at.node : nullptr;
}

bool AssignAtPath(Json& root, const std::vector<Text>& steps, Json value, int valueDepth) {
  if (static_cast<int>(steps.size()) + valueDepth > kMaxJsonDepth) return false;
  if (steps.empty()) {
    root = std::move(value);
    return true;
  }
  const Step parent = Walk(root, steps, steps.size() - 1);
  if (parent.kind != PathValue::Kind::Node || parent.node->is_null()) return false;
  Json& node = *parent.node;
  const Text& key = steps.back();
  if (node.is_object()) {
    auto& object = node.get_ref<Json::object_t&>();
    const auto found = object.find(key);
    if (found != object.end())
      found->second = std::move(value);
    else
      object.Container::emplace_back(key, std::move(value));
    return true;
  }
  if (!node.is_array()) return false;  // a member of a string, number or boolean is not kept
  auto& array = node.get_ref<Json::array_t&>();
  if (key == "length") {
    if (!value.is_number()) return false;
    const double length = value.get<double>();
    if (!(length >= 0) || length > static_cast<double>(array.size() + kMaxArrayGrowth) || length != std::floor(length))
      return false;
    array.resize(static_cast<std::size_t>(length));
    return true;
  }
  const auto index = ArrayIndex(key);
  if (!index || *index >= array.size() + kMaxArrayGrowth) return false;  // other members of arrays are not kept
  if (*index >= array.size()) array.resize(*index + 1);
  array[*index] = std::move(value);
  return true;
}

}  // namespace pindle
