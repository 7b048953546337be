#pragma once
#include <QWidget>

#include "app/gui/actions/controls.h"

namespace pindle {

// The self-closing notice: a modal message box without icon, OK or OK + Cancel, that closes by
// itself after notice.timeoutMs (none when zero or less) with kNoticeTimedOut. Call it on the
// window thread; QtControls::showNotice brings calls from other threads there.
class NoticeBox {
 public:
  // kNoticeOk, kNoticeCancel or kNoticeTimedOut.
  static int show(QWidget* owner, const Notice& notice);

  // For tests: the next notice is answered with `answer` at once and never shown.
  static void setNextAnswer(int answer);
  // Takes back the answer set ahead; whether it was still waiting for its notice.
  static bool withdrawNextAnswer();
};

}  // namespace pindle
