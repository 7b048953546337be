#include "json/json_document.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>

#include "json/json_parse.h"
#include "json/json_path.h"
#include "json/json_read_observer.h"
#include "json/json_text.h"
#include "text/text_utils.h"

namespace pindle {

// The document's value, shared by a document and its clones until one of them parses again.
struct JsonDocument::State {
  Json root = Json::object();
};

namespace {

// Two ways of writing a path behind the document's variable. Dot join: "." + path, so a path
// that begins with "[" does not evaluate. Bracket-aware join: a path that begins with "[" goes
// behind the variable directly. An empty path is the whole document where the operation allows
// it and otherwise a lone "." that does not evaluate.
Text DotJoin(const Text& path, bool emptyIsWhole = false) {
  if (path.empty()) return emptyIsWhole ? "" : ".";
  return "." + path;
}
Text BracketJoin(const Text& path, bool emptyIsWhole = false) {
  if (path.empty()) return emptyIsWhole ? "" : ".";
  return path[0] == '[' ? path : "." + path;
}

// A value given to a setter: as JSON when raw, otherwise the text itself as a string.
std::optional<ParsedJson> SetterValue(const Text& value, bool raw) {
  if (raw) return ParseJsonText(value);
  return ParsedJson{Json(value), 0};
}

Text StringifyResult(const PathValue& v) {
  switch (v.kind) {
    case PathValue::Kind::Node:
      return JsonStringify(*v.node);
    case PathValue::Kind::Number:
      return JsonStringify(Json(v.number));
    default:
      return {};
  }
}

Text PlainResult(const PathValue& v) {
  switch (v.kind) {
    case PathValue::Kind::Node:
      return ScriptText(*v.node);
    case PathValue::Kind::Number:
      return JsNumberText(v.number);
    default:
      return {};
  }
}

// A text converted to a number the way the engine's result conversion does: the whole text,
// blanks around it allowed, must be a decimal number; anything else gives 0.
double TextToNumber(const Text& text) {
  const Text trimmed = Trim(text);
  if (trimmed.empty()) return 0;
  char* end = nullptr;
  const double value = std::strtod(trimmed.c_str(), &end);
  return (end != nullptr && *end == '\0') ? value : 0;
}

bool ToBoolean(const Json& value) {
  switch (value.type()) {
    case Json::value_t::boolean:
      return value.get<bool>();
    case Json::value_t::number_float:
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      return value.get<double>() != 0;
    case Json::value_t::string: {
      const auto& text = value.get_ref<const Json::string_t&>();
      if (EqualsIgnoreAsciiCase(Trim(text), "true")) return true;
      return TextToNumber(text) != 0;
    }
    default:
      return false;  // null, undefined, objects and arrays do not convert
  }
}

// Array.prototype.splice(index, 1).
void SpliceOne(Json& array, long long index) {
  const auto size = static_cast<long long>(array.size());
  const long long start = index < 0 ? std::max(size + index, 0LL) : std::min(index, size);
  if (start < size) array.erase(array.begin() + start);
}

}  // namespace

JsonDocument::JsonDocument() : state_(std::make_shared<State>()) {}
JsonDocument::~JsonDocument() = default;
JsonDocument::JsonDocument(const JsonDocument&) = default;
JsonDocument& JsonDocument::operator=(const JsonDocument&) = default;
JsonDocument::JsonDocument(JsonDocument&&) noexcept = default;
JsonDocument& JsonDocument::operator=(JsonDocument&&) noexcept = default;

JsonDocument JsonDocument::Clone() const { return *this; }

bool JsonDocument::Parse(const Text& text) {
  auto state = std::make_shared<State>();
  // A text that does not parse leaves null behind.
  if (auto parsed = ParseJsonText(text))
    state->root = std::move(parsed->value);
  else
    state->root = nullptr;
  state_ = std::move(state);
  return !state_->root.is_null() && !state_->root.is_discarded();
}

Text JsonDocument::ToJson() const {
  if (!state_) return {};
  return JsonStringify(state_->root);
}

void JsonDocument::SetMember(const Text& path, const Text& value, bool asJson) {
  if (!state_) return;
  const auto steps = ParseAccessors(DotJoin(path));
  const auto parsed = SetterValue(asJson && value.empty() ? Text("{}") : value, asJson);
  if (!steps || !parsed) return;
  AssignAtPath(state_->root, *steps, parsed->value, parsed->depth);
}

void JsonDocument::SetMemberJson(const Text& path, const Text& json) {
  if (!state_) return;
  const auto steps = ParseAccessors(DotJoin(path));
  const auto parsed = ParseJsonText(json);
  if (!steps || !parsed) return;
  AssignAtPath(state_->root, *steps, parsed->value, parsed->depth);
}

void JsonDocument::SetMemberNumber(const Text& path, double number) {
  if (!state_ || !std::isfinite(number)) return;
  const auto steps = ParseAccessors(DotJoin(path));
  if (!steps) return;
  // The number travels as its "%.13g" text, so it keeps 13 significant digits.
  AssignAtPath(state_->root, *steps, Json(std::strtod(Number13gText(number).c_str(), nullptr)), 0);
}

double JsonDocument::GetNumber(const Text& path) const {
  if (!state_) return 0;
  const PathValue v = EvaluatePath(state_->root, DotJoin(path));
  if (v.kind == PathValue::Kind::Number) return v.number;
  if (v.kind != PathValue::Kind::Node) return 0;
  if (v.node->is_number()) return v.node->get<double>();
  if (v.node->is_boolean()) return v.node->get<bool>() ? 1 : 0;
  if (v.node->is_string()) return TextToNumber(v.node->get_ref<const Json::string_t&>());
  return 0;
}

Text JsonDocument::GetMemberJson(const Text& path) const {
  if (!state_) return {};
  return StringifyResult(EvaluatePath(state_->root, DotJoin(path)));
}

Text JsonDocument::GetText(const Text& path, bool asJson) const {
  if (!state_) return {};
  if (asJson) return StringifyResult(EvaluatePath(state_->root, BracketJoin(path)));
  if (TypeOf(path) == JsonType::Number) return Number13gText(GetNumber(path));
  return PlainResult(EvaluatePath(state_->root, BracketJoin(path)));
}

namespace {
// A new document holding a copy of the value, as stringifying it and parsing the text gives.
JsonDocument DocumentOf(const PathValue& v) {
  JsonDocument document;
  switch (v.kind) {
    case PathValue::Kind::Node:
      document.SetRoot(JsonStringify(*v.node), true);
      break;
    case PathValue::Kind::Number:
      document.SetRoot(JsonStringify(Json(v.number)), true);
      break;
    default:
      document.Parse("");
      break;  // undefined stringifies to nothing
  }
  return document;
}
}  // namespace

JsonDocument JsonDocument::GetObject(const Text& path) const {
  if (!state_) return DocumentOf(PathValue{});
  return DocumentOf(EvaluatePath(state_->root, BracketJoin(path)));
}

int JsonDocument::Count(const Text& path) const {
  if (!state_) return 0;
  const PathValue v = EvaluatePath(state_->root, BracketJoin(path, true));
  if (v.kind == PathValue::Kind::Node && (v.node->is_object() || v.node->is_array()))
    return static_cast<int>(v.node->size());
  return 0;
}

void JsonDocument::Append(const Text& value, const Text& path, bool raw) {
  if (!state_) return;
  const auto steps = ParseAccessors(DotJoin(path, true));
  auto parsed = SetterValue(value, raw);
  if (!steps || !parsed) return;
  Json* target = FindNode(state_->root, *steps);
  if (target != nullptr && target->is_array()) {
    if (static_cast<int>(steps->size()) + 1 + parsed->depth > kMaxJsonDepth) return;
    target->push_back(std::move(parsed->value));
    return;
  }
  Json array = Json::array();
  array.push_back(std::move(parsed->value));
  AssignAtPath(state_->root, *steps, std::move(array), parsed->depth + 1);
}

JsonDocument JsonDocument::GetElementObject(int index, const Text& path) const {
  if (!state_) return DocumentOf(PathValue{});
  return DocumentOf(EvaluatePath(state_->root, DotJoin(path, true) + "[" + std::to_string(index) + "]"));
}

Text JsonDocument::GetElementText(int index, const Text& path, bool asJson) const {
  if (!state_) return {};
  const PathValue v = EvaluatePath(state_->root, DotJoin(path, true) + "[" + std::to_string(index) + "]");
  return asJson ? StringifyResult(v) : PlainResult(v);
}

void JsonDocument::SetElement(int index, const Text& value, bool raw) {
  if (!state_) return;
  const auto steps = ParseAccessors("[" + std::to_string(index) + "]");
  const auto parsed = SetterValue(value, raw);
  if (!steps || !parsed) return;
  AssignAtPath(state_->root, *steps, parsed->value, parsed->depth);
}

void JsonDocument::RemoveElement(int index) {
  if (!state_ || !state_->root.is_array()) return;
  SpliceOne(state_->root, index);
}

void JsonDocument::RemoveAtPath(const Text& path) {
  if (!state_) return;
  const Text arrayPath = TextBefore(path, "[");
  if (arrayPath.empty()) return;
  const auto steps = ParseAccessors(BracketJoin(arrayPath));
  if (!steps) return;
  Json* array = FindNode(state_->root, *steps);
  // Only an existing array loses an element; nothing is created where there was none.
  if (array != nullptr && array->is_array()) SpliceOne(*array, ToInteger(TextBetween(path, "[", "]")));
}

void JsonDocument::Reset(int kind) {
  if (!state_) return;
  if (kind == 0 || kind == 4) state_->root = Json::object();
  if (kind == 5) state_->root = Json::array();
}

bool JsonDocument::SetRoot(const Text& value, bool raw) {
  if (!state_) return false;
  auto parsed = SetterValue(value, raw);
  if (!parsed) return false;
  state_->root = std::move(parsed->value);
  return ToBoolean(state_->root);
}

bool JsonDocument::Exists(const Text& path) const {
  if (!state_) return false;
  const PathValue v = EvaluatePath(state_->root, DotJoin(path));
  return v.kind == PathValue::Kind::Number || (v.kind == PathValue::Kind::Node && !v.node->is_null());
}

int JsonDocument::MemberNames(std::vector<Text>& names, const Text& path) const {
  names.clear();
  if (!state_) return 0;
  const PathValue v = EvaluatePath(state_->root, BracketJoin(path, true));
  if (v.kind != PathValue::Kind::Node) return 0;
  if (v.node->is_object()) {
    for (const auto& member : v.node->get_ref<const Json::object_t&>()) names.push_back(member.first);
  } else if (v.node->is_array()) {
    for (std::size_t i = 0; i < v.node->size(); ++i) names.push_back(std::to_string(i));
  }
  return static_cast<int>(names.size());
}

JsonType JsonDocument::TypeOf(const Text& path) const {
  if (!state_) return JsonType::Other;
  const PathValue v = EvaluatePath(state_->root, DotJoin(path, true));
  switch (v.kind) {
    case PathValue::Kind::Error:
      return JsonType::Other;
    case PathValue::Kind::Undefined:
      return JsonType::Missing;
    case PathValue::Kind::Number:
      return JsonType::Number;
    case PathValue::Kind::Node:
      break;
  }
  switch (v.node->type()) {
    case Json::value_t::boolean:
      return JsonType::Boolean;
    case Json::value_t::number_float:
    case Json::value_t::number_integer:
    case Json::value_t::number_unsigned:
      return JsonType::Number;
    case Json::value_t::string:
      return JsonType::String;
    case Json::value_t::object:
      return JsonType::Object;
    case Json::value_t::array:
      return JsonType::Array;
    case Json::value_t::null:
    case Json::value_t::discarded:
      return JsonType::Missing;
    default:
      return JsonType::Other;
  }
}

void JsonDocument::Clear() {
  if (state_) state_->root = Json::object();
}

Text JsonValueAtPath(const Text& text, const Text& path, JsonReadObserver* seen) {
  Text oneLine;
  if (text.find_first_of("\r\n") != Text::npos) {
    oneLine.reserve(text.size());
    std::remove_copy_if(text.begin(), text.end(), std::back_inserter(oneLine),
                        [](char c) { return c == '\r' || c == '\n'; });
  }
  const Text& parsed = oneLine.empty() ? text : oneLine;
  JsonDocument document;
  if (!document.Parse(parsed)) {
    if (seen) seen->notJson(text, parsed);
    return kJsonParseFailedText;
  }
  if (seen) {
    seen->parsed(document.state_->root);
    // The walk the value is read by (GetText's and GetObject's).
    bool stepped = false;
    const PathValue v = EvaluatePath(document.state_->root, BracketJoin(path),
                                     [&](std::size_t step, const Text& key, const PathValue& reached) {
                                       stepped = true;
                                       seen->stepped(step, key, reached);
                                     });
    if (!stepped && v.kind == PathValue::Kind::Error) seen->notAPath(path);
  }
  Text value;
  switch (document.TypeOf(path)) {
    case JsonType::Boolean:
      value = document.GetMemberJson(path);
      break;
    case JsonType::Number:
      value = document.GetObject(path).ToJson();
      break;
    case JsonType::String:
      value = document.GetText(path);
      break;
    default:
      value = document.GetText(path, true);
      break;
  }
  if (seen) seen->value(value);
  return value;
}

}  // namespace pindle
