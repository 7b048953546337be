#pragma once
#include <cstddef>

#include "json/json_path.h"
#include "platform/types.h"

namespace pindle {

// What reading a value at a path meets, told while it happens, so a trace shows exactly what the
// reading did.
class JsonReadObserver {
 public:
  virtual ~JsonReadObserver() = default;
  // `text` did not parse; `parsed` is what was given to the parser (its line breaks taken out).
  virtual void notJson(const Text& text, const Text& parsed) = 0;
  virtual void parsed(const Json& root) = 0;
  // `path` is no path the value can be read at; nothing is read.
  virtual void notAPath(const Text& path) = 0;
  // One step of the walk to the value (see EvaluatePath).
  virtual void stepped(std::size_t step, const Text& key, const PathValue& reached) = 0;
  virtual void value(const Text& value) = 0;
};

}  // namespace pindle
