#pragma once
#include "platform/types.h"

namespace pindle {

// What the update check found: the download page of a newer version, to offer; empty when there
// is nothing to ask.
struct UpdateCheckReport {
  Text downloadPage;
};

// Runs once at start, last in the start-up task: fetches the update manifest at `address` once,
// stores a non-empty PlugUrl as "插件更新" and offers the download page when its Version differs
// from ours and its DownUrl is a web address (http or https). A manifest that cannot be fetched or
// parsed changes nothing and offers nothing.
class UpdateChecker {
 public:
  static UpdateCheckReport check(const Text& address, bool verifyTls);
};

}  // namespace pindle
