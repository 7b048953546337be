#pragma once
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <type_traits>
#include <utility>

#include "platform/thread_hand_off.h"

namespace pindle {

// Runs `call` on the thread that owns `context`: later (Qt::QueuedConnection), or while the caller
// waits (Qt::BlockingQueuedConnection). Every hand-over to another thread's event loop goes
// through here, so the notes on what Qt's unseen locks order live in one place. Nothing runs
// when `context` is gone.
template <typename Call>
void QueueOnThreadOf(QObject* context, Call&& call, Qt::ConnectionType type) {
  if (!context) return;
  // Qt runs a thread's posted calls after whatever posted them, under one lock per thread.
  const void* queue = context->thread();
  HandOffSent(queue);
  const HandOffInLibrary inQt;
  QMetaObject::invokeMethod(
      context,
      [queue, call = std::forward<Call>(call)]() mutable {
        HandOffReceived(queue);
        call();
      },
      type);
}

// Runs `work` on the thread that owns `context` and returns its result: a direct call when the
// caller is on that thread already, otherwise a blocking queued call. Widgets may only be touched
// on their own thread, and the window thread never waits for a worker, so this cannot deadlock.
template <typename Work>
auto OnWindowThread(QObject* context, Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if (QThread::currentThread() == context->thread()) return work();
  if constexpr (std::is_void_v<Result>) {
    const char done = 0;
    QueueOnThreadOf(
        context,
        [&work, &done] {
          work();
          HandOffSent(&done);
        },
        Qt::BlockingQueuedConnection);
    HandOffReceived(&done);
  } else {
    // Stays default when the window is gone before the call could run.
    Result result{};
    QueueOnThreadOf(
        context,
        [&work, &result] {
          result = work();
          HandOffSent(&result);
        },
        Qt::BlockingQueuedConnection);
    HandOffReceived(&result);
    return result;
  }
}

}  // namespace pindle
