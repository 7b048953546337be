#pragma once
#include "platform/controls.h"

namespace pindle {

// The feedback text in UTF-8. Program text is UTF-8 already, so this is the text's own bytes;
// the name keeps the conversion visible where the body is built.
Bytes GbkToUtf8(const Text& text);

// The request body: "content=" and the percent-encoded UTF-8 text, so that "&", "+", "%" and
// line breaks arrive as typed.
Text FeedbackBody(const Text& text);

// Sends the text of 设定_反馈内容 to the feedback endpoint; verifyTls: the certificate switch
// (without it, read from Setting.ini now).
void FeedbackSender(Controls& ui, bool verifyTls);
void FeedbackSender(Controls& ui);

}  // namespace pindle
