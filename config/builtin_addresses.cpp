#include "config/builtin_addresses.h"

#include <cstdlib>

namespace pindle {
namespace {
Text fromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return (value != nullptr && *value != '\0') ? Text(value) : Text(fallback);
}
}  // namespace

Text BuiltInPluginListUrl() { return fromEnvironment("PINDLE_PLUGLIST_URL", PINDLE_DEFAULT_PLUGLIST_URL); }
Text BuiltInUpdateUrl() { return fromEnvironment("PINDLE_UPDATE_URL", PINDLE_DEFAULT_UPDATE_URL); }
Text BuiltInFeedbackUrl() { return fromEnvironment("PINDLE_FEEDBACK_URL", PINDLE_DEFAULT_FEEDBACK_URL); }

}  // namespace pindle
