#pragma once
#include <QMetaObject>
#include <QObject>
#include <QThread>
#include <type_traits>
#include <utility>

namespace pindle {

// Runs `work` on the thread that owns `context` and returns its result: a direct call when the
// caller is on that thread already, otherwise a blocking queued call. Widgets may only be touched
// on their own thread, and the window thread never waits for a worker, so this cannot deadlock.
template <typename Work>
auto OnWindowThread(QObject* context, Work&& work) -> std::invoke_result_t<Work&> {
  using Result = std::invoke_result_t<Work&>;
  if (QThread::currentThread() == context->thread()) return work();
  if constexpr (std::is_void_v<Result>) {
    QMetaObject::invokeMethod(
        context, [&work] { work(); }, Qt::BlockingQueuedConnection);
  } else {
    // Stays default when the window is gone before the call could run.
    Result result{};
    QMetaObject::invokeMethod(
        context, [&work, &result] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
  }
}

}  // namespace pindle
