#pragma once
#include "platform/types.h"

namespace pindle {

// The feedback text in UTF-8. Program text is UTF-8 already, so this is the text's own bytes;
// the name keeps the conversion visible where the body is built.
Bytes GbkToUtf8(const Text& text);

// The request body: "content=" and the percent-encoded UTF-8 text, so that "&", "+", "%" and
// line breaks arrive as typed.
Text FeedbackBody(const Text& text);

// Sends the text to the feedback endpoint at `address`; the status text of the outcome
// ("您的反馈已提交！", or why not). An empty text sends nothing.
Text SendFeedback(const Text& text, const Text& address, bool verifyTls);

}  // namespace pindle
