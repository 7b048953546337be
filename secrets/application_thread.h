#pragma once
#include <chrono>
#include <functional>

#include "platform/types.h"

namespace pindle {

// Runs `work` on the thread of the Qt application object, where QtKeychain's and QtDBus's answers
// arrive, and returns once it has run. A program without an application object (the command
// line) gets one for the call, on its main thread only. From another thread the call is queued
// to the application's thread; when that does not run it within `wait`, the caller gets the
// reason and `work` runs later, or never, so it must own everything it touches.
// Empty, or why `work` did not run.
Text RunOnApplicationThread(std::function<void()> work, std::chrono::milliseconds wait);

}  // namespace pindle
