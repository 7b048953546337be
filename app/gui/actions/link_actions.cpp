#include "app/gui/actions/link_actions.h"

#include "config/settings.h"

namespace pindle {

namespace {
// Long enough to read a chain of several addresses.
constexpr int kChainNoticeMs = 60'000;
}  // namespace

Text DescribeRedirectChain(const RedirectChain& chain) {
  Text text;
  int n = 0;
  for (const auto& hop : chain.hops) {
    text += std::to_string(++n) + ". ";
    text += hop.status > 0 ? std::to_string(hop.status) : Text("—");
    text += "  " + hop.url + "\n";
  }
  if (chain.ok()) {
    text += "\n最终地址：" + chain.finalUrl;
    if (!chain.unreached.empty()) text += "\n最终地址未能连接：" + chain.unreached;
  } else {
    text += "\n未能展开：" + chain.error;
  }
  return text;
}

void ShowRedirectChain(Controls& ui, const Text& url) {
  ui.setStatusText("正在展开短网址");
  const RedirectChain chain = FollowRedirectChain(url, {.verifyTls = VerifyTlsSetting()});
  if (!chain.ok())
    ui.setStatusText("短网址未能展开：" + chain.error);
  else
    ui.setStatusText(chain.unreached.empty() ? Text("短网址已展开") : Text("短网址已展开，最终地址未能连接"));
  Notice notice;
  notice.message = DescribeRedirectChain(chain);
  notice.title = "展开短网址";
  notice.timeoutMs = kChainNoticeMs;
  ui.showNotice(notice);
}

}  // namespace pindle
