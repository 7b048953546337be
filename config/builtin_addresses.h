#pragma once
#include "platform/types.h"

namespace pindle {

// The built-in service addresses, set when the program is built and overridable at run time
// by PINDLE_PLUGLIST_URL, PINDLE_UPDATE_URL and PINDLE_FEEDBACK_URL (mirrors, tests).
Text BuiltInPluginListUrl();
Text BuiltInUpdateUrl();
Text BuiltInFeedbackUrl();

}  // namespace pindle
