#pragma once
#include <memory>
#include <vector>

#include "platform/types.h"

namespace pindle {

class JsonReadObserver;

enum class JsonType : int { Missing = 0, Boolean = 1, Number = 2, Object = 4, Array = 5, String = 6, Other = -1 };

// One JSON value, queried by path: dotted member names, ['quoted name'], [index], in any
// combination, and length. Input is parsed as JSON, never run as script.
//
// Texts given to the setters without asJson / raw are stored exactly as given (quotes and
// backslashes included); with asJson / raw they must be JSON, else nothing changes. Documents
// never nest deeper than kMaxJsonDepth (json_parse.h): deeper input fails to parse and deeper
// changes are refused. A document and its clones share one value and are not locked: one thread
// at a time.
class JsonDocument {
 public:
  JsonDocument();
  ~JsonDocument();
  JsonDocument(const JsonDocument&);  // shares the value, like Clone
  JsonDocument& operator=(const JsonDocument&);
  JsonDocument(JsonDocument&&) noexcept;
  JsonDocument& operator=(JsonDocument&&) noexcept;

  JsonDocument Clone() const;  // shares the value until one of the two parses again
  bool Parse(const Text& text);
  Text ToJson() const;
  void SetMember(const Text& path, const Text& value, bool asJson = false);
  void SetMemberJson(const Text& path, const Text& json);
  void SetMemberNumber(const Text& path, double number);
  double GetNumber(const Text& path) const;
  Text GetMemberJson(const Text& path) const;
  Text GetText(const Text& path, bool asJson = false) const;
  JsonDocument GetObject(const Text& path) const;
  int Count(const Text& path = "") const;
  void Append(const Text& value, const Text& path = "", bool raw = false);
  JsonDocument GetElementObject(int index, const Text& path = "") const;
  Text GetElementText(int index, const Text& path = "", bool asJson = false) const;
  void SetElement(int index, const Text& value, bool raw = false);
  void RemoveElement(int index);
  void RemoveAtPath(const Text& path);
  void Reset(int kind);
  bool SetRoot(const Text& value, bool raw = false);
  bool Exists(const Text& path) const;
  int MemberNames(std::vector<Text>& names, const Text& path = "") const;
  JsonType TypeOf(const Text& path = "") const;
  void Clear();

  struct State;

 private:
  friend Text JsonValueAtPath(const Text& text, const Text& path, JsonReadObserver* seen);
  std::shared_ptr<State> state_;
};

// What JsonValueAtPath gives for a text that does not parse.
inline constexpr const char* kJsonParseFailedText = "JSON解析失败";

// Parses `text` (line breaks removed first) and returns the value at `path` as text:
// kJsonParseFailedText when it does not parse. `seen` hears what the reading meets.
Text JsonValueAtPath(const Text& text, const Text& path, JsonReadObserver* seen = nullptr);

}  // namespace pindle
