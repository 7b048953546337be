#pragma once
#include "app/gui/actions/controls.h"
#include "web/redirect_chain.h"

namespace pindle {

// The chain as the notice shows it: one line per hop (status, address), then the final address
// or why the chain ended early.
Text DescribeRedirectChain(const RedirectChain& chain);

// 展开短网址: follows `url`'s redirects under the user's certificate rule and shows the chain
// in a notice. Blocks for the requests; the window calls it on a worker thread.
void ShowRedirectChain(Controls& ui, const Text& url);

}  // namespace pindle
