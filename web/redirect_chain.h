#pragma once
#include <optional>
#include <vector>

#include "platform/types.h"

namespace pindle {

// One address on the way: what it answered.
struct RedirectHop {
  Text url;
  int status = 0;  // 0 when no answer came
};

struct RedirectChain {
  std::vector<RedirectHop> hops;  // the address asked first, then every address it led to
  Text finalUrl;                  // the address that answered without a redirect; empty on failure
  Text error;                     // why the chain could not be followed to its end
  // Why the last address, named by a redirect, could not be asked; finalUrl is that address all
  // the same, since where the link leads is known even when the destination is down.
  Text unreached;
  bool ok() const { return error.empty(); }
};

struct RedirectChainOptions {
  bool verifyTls = true;  // the program passes VerifyTlsSetting()
  std::optional<Text> caFile;
  int maxHops = 10;  // redirects followed before giving up
};

// Follows the redirects from `url` one by one without downloading any body: HEAD first, and
// GET read only up to the end of its head when a service refuses HEAD. Waits no longer than
// the limits of web/web_limits.h allow. Never throws.
RedirectChain FollowRedirectChain(const Text& url, const RedirectChainOptions& options = {});

}  // namespace pindle
