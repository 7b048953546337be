#include "update/feedback_sender.h"

#include "config/builtin_addresses.h"
#include "config/settings.h"
#include "text/percent_encoding.h"
#include "web/web_request.h"

namespace pindle {

Bytes GbkToUtf8(const Text& text) { return Bytes(text); }

Text FeedbackBody(const Text& text) { return "content=" + PercentEncode(GbkToUtf8(text), true, true); }

Text SendFeedback(const Text& text, const Text& address, bool verifyTls) {
  if (text.empty()) return "请输入您要反馈的内容！";
  RequestOptions request;
  request.verifyTls = verifyTls;
  request.url = address;
  request.method = kPost;
  request.postText = FeedbackBody(text);
  const WebResponse response = WebRequest(request);
  if (response.failed()) return "反馈提交失败：" + response.error;
  if (response.status >= 400) return "反馈提交失败：HTTP " + std::to_string(response.status);
  return "您的反馈已提交！";
}

}  // namespace pindle
