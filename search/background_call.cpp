#include "search/background_call.h"

#include <QEventLoop>
#include <QMetaObject>

#include <thread>

void RunWithoutFreezing(const std::function<void()>& work) {
  QEventLoop loop;
  std::thread worker([&] {
    work();
    // Queued, so the loop ends even when the work finished before the loop began.
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  loop.exec(QEventLoop::ExcludeUserInputEvents);
  // The loop may also end early when the application quits; the work is still waited for.
  worker.join();
}
