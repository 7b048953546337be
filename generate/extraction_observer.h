#pragma once
#include "generate/pattern_match.h"
#include "json/json_read_observer.h"
#include "platform/types.h"
#include "plugins/plugin_definition.h"
#include "text/text_utils.h"

namespace pindle {

// What the extraction of a link from an answer does, told by the extraction itself while it runs,
// so an account of it (the plug-in test's trace) cannot tell another story than the run.
class ExtractionObserver : public JsonReadObserver {
 public:
  virtual void type(const Text& declared, ResponseType type) = 0;
  virtual void wholeAnswer(const Text& answer) = 0;
  virtual void valuePrefix(const Text& prefix) = 0;
  // Response.Prefix gives no left and right marker.
  virtual void noMarkers(const Text& prefix) = 0;
  virtual void markers(const Text& answer, const BetweenSpan& span) = 0;
  virtual void pattern(const Text& expression, const PatternMatch& match) = 0;
  virtual void resultPrefix(const Text& prefix) = 0;
  virtual void result(const Text& link) = 0;
};

}  // namespace pindle
