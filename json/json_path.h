#pragma once
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "json/json_parse.h"
#include "platform/types.h"

namespace pindle {

// Member access written behind the document's variable, read as data rather than run as script:
// ".name" (a JavaScript identifier), "['quoted name']" or "[\"quoted name\"]", "[index]", in any
// sequence, with blanks between the parts. Each step is the property key JavaScript would use
// ("[1.0]" is the key "1"). Nothing when the text is not such an access, where the engine would
// report a syntax error ("." alone, ".[0]", "a||b").
std::optional<std::vector<Text>> ParseAccessors(std::string_view accessors);

// The value a member access yields.
struct PathValue {
  enum class Kind {
    Error,      // the engine would throw: syntax error, member of null or undefined
    Undefined,  // no such member
    Node,       // a value of the document (possibly null)
    Number,     // a computed number: the length of an array or string
  };
  Kind kind = Kind::Error;
  const Json* node = nullptr;
  double number = 0;
};

// `accessors` as for ParseAccessors ("" is the whole value). Arrays and strings have `length`;
// strings have no other members and numbers and booleans none at all, as in the engine the
// program was written for.
// `seen`, when given, hears of every step as it is taken: its number from 0, its key and what it
// reached (Error for a member of null or undefined, where the walk ends).
using PathStepSeen = std::function<void(std::size_t step, const Text& key, const PathValue& reached)>;
PathValue EvaluatePath(const Json& root, std::string_view accessors, const PathStepSeen& seen = {});

// The node at the steps, when it is a value of the document; nullptr otherwise.
Json* FindNode(Json& root, const std::vector<Text>& steps);

// The assignment "da<accessors> = value": the member is created or replaced (a new member goes
// last), an array element beyond the end extends the array with nulls, an array's `length`
// truncates or extends it. `valueDepth` is the nesting of `value`; an assignment that would nest
// the document deeper than kMaxJsonDepth, or grow an array by more than kMaxArrayGrowth elements,
// is refused. Returns whether the value was stored.
inline constexpr std::size_t kMaxArrayGrowth = 1u << 16;
bool AssignAtPath(Json& root, const std::vector<Text>& steps, Json value, int valueDepth);

}  // namespace pindle
