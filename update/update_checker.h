#pragma once
#include "platform/controls.h"

namespace pindle {

// Runs once at start, last in the start-up task: fetches the update manifest once, stores its
// PlugUrl as "插件更新" and offers the download page when its Version differs from ours.
// A manifest that cannot be fetched or parsed, or lacks a field, changes nothing and asks nothing.
class UpdateChecker {
 public:
  static void run(Controls& ui);
};

}  // namespace pindle
