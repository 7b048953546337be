#include "secrets/application_thread.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QThread>
#include <clocale>
#include <future>
#include <memory>

#include "platform/thread_hand_off.h"

namespace pindle {
namespace {

bool onMainThread() { return ::syscall(SYS_gettid) == ::getpid(); }

}  // namespace

Text RunOnApplicationThread(std::function<void()> work, std::chrono::milliseconds wait) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    if (!onMainThread()) return "密钥服务只能在程序的主线程里使用";
    // Qt sets the C locale from the environment; the rest of the program relies on "C".
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    static int argc = 1;
    static char name[] = "pindle";
    static char* argv[] = {name, nullptr};
    QCoreApplication scoped(argc, argv);
    std::setlocale(LC_ALL, locale.c_str());
    work();
    return {};
  }
  if (QThread::currentThread() == app->thread()) {
    work();
    return {};
  }
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> finished = done->get_future();
  // Qt's queue orders the call after this thread's work under a lock ThreadSanitizer cannot see.
  const void* queue = app->thread();
  HandOffSent(queue);
  {
    const HandOffInLibrary inQt;
    QMetaObject::invokeMethod(
        app,
        [queue, work = std::move(work), done] {
          HandOffReceived(queue);
          work();
          done->set_value();
        },
        Qt::QueuedConnection);
  }
  if (finished.wait_for(wait) != std::future_status::ready) return "程序的主线程没有回应，密钥服务没能使用";
  return {};
}

}  // namespace pindle
