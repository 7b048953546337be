#pragma once
#include "app/gui/actions/controls.h"

namespace pindle {

// The start-up task's update check: the manifest checked, and a newer version's download page
// offered with a question (确定 opens it in the browser).
void RunUpdateCheck(Controls& ui, bool verifyTls);

// The feedback button: the text of 设定_反馈内容 to the feedback endpoint, the outcome in the
// status bar.
void FeedbackSender(Controls& ui, bool verifyTls);

}  // namespace pindle
