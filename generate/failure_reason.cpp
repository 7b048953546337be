#include "generate/failure_reason.h"

#include <array>

#include "json/json_document.h"
#include "json/json_parse.h"
#include "web/link_check.h"

namespace pindle {
namespace {

constexpr std::size_t kMessageChars = 200;

// The message a JSON answer carries in one of the members services use for it.
Text JsonMessage(const Json& value) {
  // "detail" and "title" last: a problem details answer (Shlink's) says it there.
  static constexpr std::array kKeys{"message", "error", "msg", "errorMessage", "status_txt", "detail", "title"};
  if (!value.is_object()) return {};
  for (const char* key : kKeys) {
    const auto it = value.find(key);
    if (it == value.end() || it->is_null()) continue;
    if (it->is_string()) {
      if (it->get_ref<const std::string&>().empty()) continue;
      return it->get<std::string>();
    }
    // {"error": {"code": 4, "message": "…"}} names its words one level down.
    if (it->is_object()) {
      const Text inner = JsonMessage(*it);
      if (!inner.empty()) return inner;
    }
    if (it->is_boolean()) continue;  // {"error": true} says only that something failed
    return it->dump(-1, ' ', false, Json::error_handler_t::replace);
  }
  return {};
}

bool Success(int status) { return status >= 200 && status < 300; }

}  // namespace

Text OneLine(std::string_view text, std::size_t maxChars) {
  Text out;
  std::size_t chars = 0;
  bool blank = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b <= 0x20 || b == 0x7F) {
      blank = !out.empty();
      continue;
    }
    if ((b & 0xC0) != 0x80) {  // a character starts here
      if (chars == maxChars) {
        out += "…";
        return out;
      }
      if (blank) {
        out += ' ';
        if (++chars == maxChars) {
          out += "…";
          return out;
        }
      }
      blank = false;
      ++chars;
    }
    out += text[i];
  }
  return out;
}

Text ServiceMessage(const Text& answer) {
  if (const auto parsed = ParseJsonText(answer)) {
    const Text message = JsonMessage(parsed->value);
    if (!message.empty()) return OneLine(message, kMessageChars);
  }
  return OneLine(answer, kMessageChars);
}

Text NoLinkReason(const Text& link, const WebResponse& response, const Text& answer) {
  if (response.failed()) return response.error;
  const bool serverError = response.status >= 500;
  if (!serverError && IsLink(link)) return {};
  const Text message = ServiceMessage(answer);
  if (response.status != 0 && !Success(response.status))
    return "HTTP " + std::to_string(response.status) + (message.empty() ? Text() : "：" + message);
  // The JSON reader refuses what nests too deep; that is no fault of JSON syntax.
  if (link == kJsonParseFailedText && NestsTooDeep(answer))
    return "应答嵌套太深（超过 " + std::to_string(kMaxJsonDepth) + " 层）";
  if (!link.empty()) return "服务返回：" + OneLine(link, kMessageChars);
  return message.empty() ? Text("服务没有返回短网址") : "服务没有返回短网址：" + message;
}

FailureKind NoLinkKind(const Text& link, const WebResponse& response) {
  if (response.failed()) return response.certificateRefused ? FailureKind::Certificate : FailureKind::NoAnswer;
  if (response.status < 500 && IsLink(link)) return FailureKind::None;
  return response.status != 0 && !Success(response.status) ? FailureKind::Http : FailureKind::NoLink;
}

Text NotSentReason() { return "没有发出请求：插件文件读不到，或其 API.Type 不是 GET 或 POST"; }

Text PluginGoneReason(const Text& pluginName) { return "插件“" + pluginName + "”已不在插件列表中，没有发送"; }

Text LongWaitReason(std::chrono::seconds wait) {
  const long long s = wait.count();
  const auto n = [](long long v, const char* unit) { return std::to_string(v) + " " + unit; };
  Text length;
  if (s < 60) {
    length = n(s, "秒");
  } else if (s < 3600) {
    length = n(s / 60, "分钟") + (s % 60 && s < 600 ? " " + n(s % 60, "秒") : Text());
  } else if (s < 3 * 86400) {
    const long long h = s / 3600, m = s % 3600 / 60;
    length = n(h, "小时") + (m && h < 10 ? " " + n(m, "分钟") : Text());
  } else {
    const long long d = s / 86400, h = s % 86400 / 3600;
    length = n(d, "天") + (h && d < 10 ? " " + n(h, "小时") : Text());
  }
  return "服务要求等待 " + length + "后再试";
}

}  // namespace pindle
