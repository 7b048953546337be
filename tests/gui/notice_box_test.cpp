#include "app/gui/notice_box.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <atomic>

#include "tests/gui/gui_test_support.h"

namespace pindle::test {
namespace {

QMessageBox* OpenNotice() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) return box;
  return nullptr;
}

// Presses a button of the notice as soon as it shows, noting what the box looked like.
struct Presser {
  QMessageBox::StandardButton press;
  QString title, text;
  int buttons = 0;
  QMessageBox::Icon icon = QMessageBox::Information;

  void arm() {
    QTimer::singleShot(20, [this] {
      QMessageBox* box = OpenNotice();
      if (!box) return arm();
      title = box->windowTitle();
      text = box->text();
      buttons = static_cast<int>(box->buttons().size());
      icon = box->icon();
      box->button(press)->click();
    });
  }
};

Notice NoticeOf(const char* message, int buttons, int timeoutMs) {
  Notice notice;
  notice.message = message;
  notice.buttons = buttons;
  notice.timeoutMs = timeoutMs;
  return notice;
}

TEST(NoticeBox, UnansweredClosesItselfAfterTheTimeOut) {
  WindowActions noActions;
  WindowFixture f(noActions);
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(f.ui().showNotice(NoticeOf("没人回答", kButtonsOkCancel, 150)), kNoticeTimedOut);
  EXPECT_GE(clock.elapsed(), 150);
  EXPECT_LT(clock.elapsed(), 3000);
  EXPECT_EQ(OpenNotice(), nullptr);
}

TEST(NoticeBox, FromAWorkerThreadItShowsOnTheWindowThread) {
  WindowActions noActions;
  WindowFixture f(noActions);
  std::atomic<int> result = -1;
  ASSERT_TRUE(RunOnWorker([&] { result = f.ui().showNotice(NoticeOf("后台提醒", kButtonsOk, 150)); }));
  EXPECT_EQ(result.load(), kNoticeTimedOut);

  Presser presser{QMessageBox::Cancel};
  presser.arm();
  ASSERT_TRUE(RunOnWorker([&] { result = f.ui().showNotice(NoticeOf("要更新吗？", kButtonsOkCancel, 5000)); }));
  EXPECT_EQ(result.load(), kNoticeCancel);
  EXPECT_EQ(presser.text, QStringLiteral("要更新吗？"));
}

TEST(NoticeBox, ButtonsTitleAndAnswers) {
  WindowActions noActions;
  WindowFixture f(noActions);
  const struct {
    int buttons;
    QMessageBox::StandardButton press;
    int buttonCount;
    int want;
  } rows[] = {
      {kButtonsOk, QMessageBox::Ok, 1, kNoticeOk},
      {kButtonsOkCancel, QMessageBox::Ok, 2, kNoticeOk},
      {kButtonsOkCancel, QMessageBox::Cancel, 2, kNoticeCancel},
  };
  for (const auto& row : rows) {
    Presser presser{row.press};
    presser.arm();
    EXPECT_EQ(f.ui().showNotice(NoticeOf("哦豁！没有配置文件\r\n联系一下插件开发者吧！", row.buttons, 5000)), row.want);
    EXPECT_EQ(presser.title, QStringLiteral("友情提醒"));
    EXPECT_EQ(presser.buttons, row.buttonCount);
    EXPECT_EQ(presser.icon, QMessageBox::NoIcon);
  }
}

TEST(NoticeBox, TestsCanAnswerAheadOfTime) {
  WindowActions noActions;
  WindowFixture f(noActions);
  NoticeBox::setNextAnswer(kNoticeCancel);
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(f.ui().showNotice(NoticeOf("问题", kButtonsOkCancel, 5000)), kNoticeCancel);
  EXPECT_LT(clock.elapsed(), 1000) << "answered without showing";
  // Only the next one: the one after that shows and times out.
  EXPECT_EQ(f.ui().showNotice(NoticeOf("问题", kButtonsOkCancel, 50)), kNoticeTimedOut);
}

}  // namespace
}  // namespace pindle::test
