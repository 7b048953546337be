#include "app/gui/notice_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <mutex>
#include <optional>

#include "app/gui/text_convert.h"

namespace pindle {
namespace {

std::mutex answerMutex;
std::optional<int> nextAnswer;

std::optional<int> takeNextAnswer() {
  std::lock_guard lock(answerMutex);
  std::optional<int> answer = nextAnswer;
  nextAnswer.reset();
  return answer;
}

}  // namespace

void NoticeBox::setNextAnswer(int answer) {
  std::lock_guard lock(answerMutex);
  nextAnswer = answer;
}

bool NoticeBox::withdrawNextAnswer() { return takeNextAnswer().has_value(); }

int NoticeBox::show(QWidget* owner, const Notice& notice) {
  if (const auto answer = takeNextAnswer()) return *answer;

  QMessageBox box(owner);
  box.setIcon(QMessageBox::NoIcon);
  box.setWindowTitle(ToQt(notice.title));
  box.setText(ToQt(notice.message));
  box.setTextFormat(Qt::PlainText);
  QPushButton* ok = box.addButton(QMessageBox::Ok);
  if (!notice.okText.empty()) ok->setText(ToQt(notice.okText));
  QPushButton* cancel = notice.buttons == kButtonsOkCancel ? box.addButton(QMessageBox::Cancel) : nullptr;
  box.setDefaultButton(ok);
  box.setEscapeButton(cancel ? cancel : ok);

  bool timedOut = false;
  QTimer timer;
  timer.setSingleShot(true);
  // A coarse timer may fire a few percent early; the box must stay its full time.
  timer.setTimerType(Qt::PreciseTimer);
  QObject::connect(&timer, &QTimer::timeout, &box, [&box, &timedOut] {
    timedOut = true;
    box.done(QDialog::Rejected);
  });
  if (notice.timeoutMs > 0) timer.start(notice.timeoutMs);

  box.exec();
  if (timedOut) return kNoticeTimedOut;
  if (cancel && box.clickedButton() == cancel) return kNoticeCancel;
  // Closed without a button: the escape button's answer.
  if (!box.clickedButton() && cancel) return kNoticeCancel;
  return kNoticeOk;
}

}  // namespace pindle
