#include "json/json_parse.h"

#include <algorithm>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "json/json_relaxed.h"
#include "platform/codepage.h"

namespace pindle {
namespace {

// Builds the value from nlohmann's SAX events. Written by hand because the library's own DOM
// builder looks members up one by one in an ordered object, which makes an object with n members
// cost n² and lets a hostile file stall the program; here large objects get a hash index.
class DomBuilder {
 public:
  using number_integer_t = Json::number_integer_t;
  using number_unsigned_t = Json::number_unsigned_t;
  using number_float_t = Json::number_float_t;
  using string_t = Json::string_t;
  using binary_t = Json::binary_t;

  bool null() { return place(Json(nullptr)) != nullptr; }
  bool boolean(bool b) { return place(Json(b)) != nullptr; }
  bool number_integer(number_integer_t v) { return place(Json(static_cast<double>(v))) != nullptr; }
  bool number_unsigned(number_unsigned_t v) { return place(Json(static_cast<double>(v))) != nullptr; }
  bool number_float(number_float_t v, const string_t&) { return place(Json(v)) != nullptr; }
  bool string(string_t& s) { return place(Json(std::move(s))) != nullptr; }
  bool binary(binary_t&) { return false; }

  bool start_object(std::size_t) { return open(Json::object()); }
  bool start_array(std::size_t) { return open(Json::array()); }
  bool end_object() { return close(); }
  bool end_array() { return close(); }
  bool key(string_t& k) {
    key_ = std::move(k);
    return true;
  }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) { return false; }

  ParsedJson result() { return ParsedJson{std::move(root_), maxDepth_}; }

 private:
  // Objects up to this size are searched for a repeated key one member at a time.
  static constexpr std::size_t kLinearSearchLimit = 16;

  struct Level {
    Json* node;
    std::unique_ptr<std::unordered_map<std::string, std::size_t>> index;
  };

  bool open(Json&& container) {
    if (static_cast<int>(levels_.size()) >= kMaxJsonDepth) return false;
    Json* slot = place(std::move(container));
    if (slot == nullptr) return false;
    levels_.push_back(Level{slot, nullptr});
    maxDepth_ = std::max(maxDepth_, static_cast<int>(levels_.size()));
    return true;
  }

  bool close() {
    if (levels_.empty()) return false;
    levels_.pop_back();
    return true;
  }

  // Puts a finished value (or a container about to be filled) where the parser stands. The
  // returned address stays valid while the value is filled: its parent does not grow meanwhile.
  Json* place(Json&& value) {
    if (levels_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Level& level = levels_.back();
    if (level.node->is_array()) {
      auto& array = level.node->get_ref<Json::array_t&>();
      array.push_back(std::move(value));
      return &array.back();
    }
    // The members as the vector they are stored in; ordered_map's own [] takes a key.
    auto& object = static_cast<Json::object_t::Container&>(level.node->get_ref<Json::object_t&>());
    if (!level.index && object.size() < kLinearSearchLimit) {
      for (auto& member : object) {
        if (member.first == key_) {
          member.second = std::move(value);
          return &member.second;
        }
      }
    } else {
      if (!level.index) {
        level.index = std::make_unique<std::unordered_map<std::string, std::size_t>>();
        for (std::size_t i = 0; i < object.size(); ++i) level.index->emplace(object[i].first, i);
      }
      const auto found = level.index->find(key_);
      if (found != level.index->end()) {
        object[found->second].second = std::move(value);
        return &object[found->second].second;
      }
      level.index->emplace(key_, object.size());
    }
    object.emplace_back(std::move(key_), std::move(value));
    return &object.back().second;
  }

  Json root_;
  std::vector<Level> levels_;
  string_t key_;
  int maxDepth_ = 0;
};

}  // namespace

namespace {
std::optional<ParsedJson> ParseStrict(std::string_view text) {
  DomBuilder builder;
  try {
    if (!Json::sax_parse(text.begin(), text.end(), &builder)) return std::nullopt;
  } catch (const std::exception&) {
    return std::nullopt;
  }
  return builder.result();
}
}  // namespace

std::optional<ParsedJson> ParseJsonText(std::string_view text) {
  if (auto parsed = ParseStrict(text)) return parsed;
  // The parser refuses bytes that are not UTF-8; such a text is read again with them replaced.
  // Checked only after a failure, so that well-formed answers pay nothing for it.
  Text sanitized;
  if (!IsWellFormedUtf8(text)) {
    sanitized = SanitizeUtf8(text);
    if (auto parsed = ParseStrict(sanitized)) return parsed;
    text = sanitized;
  }
  // Then as a script engine's object literal, which is what many plug-in files and answers are.
  const auto relaxed = RelaxedToStrictJson(text);
  if (!relaxed) return std::nullopt;
  return ParseStrict(*relaxed);
}

bool NestsTooDeep(std::string_view text) {
  int depth = 0;
  bool inString = false, escaped = false;
  for (const char c : text) {
    if (inString) {
      if (escaped)
        escaped = false;
      else if (c == '\\')
        escaped = true;
      else if (c == '"')
        inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (++depth > kMaxJsonDepth) return true;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return false;
}

}  // namespace pindle
