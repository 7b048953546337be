#include "update/feedback_sender.h"

#include "config/builtin_addresses.h"
#include "config/settings.h"
#include "generate/shorten_engine.h"
#include "web/web_request.h"

namespace pindle {

Bytes GbkToUtf8(const Text& text) { return Bytes(text); }

Text FeedbackBody(const Text& text) { return "content=" + PercentEncode(GbkToUtf8(text), true, true); }

void FeedbackSender(Controls& ui) { FeedbackSender(ui, VerifyTlsSetting()); }

void FeedbackSender(Controls& ui, bool verifyTls) {
  const Text text = ui.feedbackBox().text();
  if (text.empty()) {
    ui.setStatusText("请输入您要反馈的内容！");
    return;
  }
  RequestOptions request;
  request.verifyTls = verifyTls;
  request.url = BuiltInFeedbackUrl();
  request.method = kPost;
  request.postText = FeedbackBody(text);
  const WebResponse response = WebRequest(request);
  if (response.failed()) {
    ui.setStatusText("反馈提交失败：" + response.error);
  } else if (response.status >= 400) {
    ui.setStatusText("反馈提交失败：HTTP " + std::to_string(response.status));
  } else {
    ui.setStatusText("您的反馈已提交！");
  }
}

}  // namespace pindle
