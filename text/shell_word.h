#pragma once
#include <string_view>

#include "platform/types.h"

namespace pindle {

// `word` as a POSIX shell reads it back as one argument: unchanged when it has only characters
// the shell leaves alone, else in single quotes (a quote inside as '\''). For commands the
// program suggests, so that a name with a blank can be pasted as shown.
Text ShellWord(std::string_view word);

}  // namespace pindle
