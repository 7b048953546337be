#pragma once
#include "platform/controls.h"

namespace pindle {

// Runs once at start, last in the start-up task: fetches the update manifest once, stores a
// non-empty PlugUrl as "插件更新" and offers the download page when its Version differs from ours
// and its DownUrl is a web address (http or https). A manifest that cannot be fetched or parsed
// changes nothing and asks nothing.
class UpdateChecker {
 public:
  // verifyTls: the certificate switch; without it, read from Setting.ini now.
  static void run(Controls& ui, bool verifyTls);
  static void run(Controls& ui);
};

}  // namespace pindle
