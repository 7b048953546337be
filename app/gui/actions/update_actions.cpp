#include "app/gui/actions/update_actions.h"

#include "config/builtin_addresses.h"
#include "platform/shell_open.h"
#include "update/feedback_sender.h"
#include "update/update_checker.h"

namespace pindle {

void RunUpdateCheck(Controls& ui, bool verifyTls) {
  const UpdateCheckReport report = UpdateChecker::check(BuiltInUpdateUrl(), verifyTls);
  if (report.downloadPage.empty()) return;
  Notice question;
  question.message = "有新版本了！是否前往下载？";
  question.buttons = kButtonsOkCancel;
  if (ui.showNotice(question) == kNoticeOk) ShellOpen(report.downloadPage);
}

void FeedbackSender(Controls& ui, bool verifyTls) {
  ui.setStatusText(SendFeedback(ui.feedbackBox().text(), BuiltInFeedbackUrl(), verifyTls));
}

}  // namespace pindle
