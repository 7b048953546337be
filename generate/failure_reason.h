#pragma once
#include <chrono>
#include <cstddef>
#include <string_view>

#include "generate/failure_kind.h"
#include "platform/types.h"
#include "web/web_request.h"

namespace pindle {

// The texts a line that gave no link is given: what every door shows and the history keeps.

// What the service said in its answer: a JSON "message", "error", "msg", "errorMessage" or
// "status_txt" (the first of them present), else the first 200 characters of the answer, on one
// line. Empty when the answer has no words.
Text ServiceMessage(const Text& answer);

// Why a pass gave no link; empty when `link` (the extracted result) counts as one. The web
// layer's reason when no answer came; "HTTP 503：<what the service said>" when the status is not
// 2xx (a 5xx never counts as a link, a 4xx may carry the link a service already has); else
// "服务没有返回短网址" or "服务返回：<what came out>".
Text NoLinkReason(const Text& link, const WebResponse& response, const Text& answer);
// The kind of that reason: FailureKind::None when `link` counts as one.
FailureKind NoLinkKind(const Text& link, const WebResponse& response);

// The reason of a pass whose plug-in file describes no request (unreadable, or API.Type is
// neither "GET" nor "POST").
Text NotSentReason();

// The reason of a line not sent because its plug-in left the loaded list while the batch ran
// (a reload that no longer finds its file): "插件“NAME”已不在插件列表中，没有发送".
Text PluginGoneReason(const Text& pluginName);

// The reason of a line not sent because the service asked to wait longer than a batch waits:
// "服务要求等待 27 小时后再试".
Text LongWaitReason(std::chrono::seconds wait);

// `text` on one line: runs of blanks, line breaks and other control characters become one space,
// the ends are trimmed, and at most `maxChars` characters stay ("…" marks a cut).
Text OneLine(std::string_view text, std::size_t maxChars);

}  // namespace pindle
