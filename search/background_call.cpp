// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/background_call.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QPointer>
#include <atomic>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "search/list_view.h"
#include "search/qt_compat.h"
#include "web/module1.h"

namespace {

// The flag of the work being waited for; handlers never overlap, so there is at most one.
std::atomic<bool>* g_cancelled = nullptr;

bool IsInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
      return true;
    default:
      return false;
  }
}

// Holds the input that arrives during a wait and hands it back, in order, when the wait ends. A
// loop that excludes user input would hold the window system's close requests too; this lets
// them, and the shortcuts that close a window, through.
class InputHold final : public QObject {
 public:
  InputHold() { QCoreApplication::instance()->installEventFilter(this); }
  ~InputHold() override {
    QCoreApplication::instance()->removeEventFilter(this);
    for (auto& [receiver, event] : m_held) {
      if (receiver) QCoreApplication::postEvent(receiver, event.release());
    }
  }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    if (!IsInput(event->type())) return false;
    m_held.emplace_back(receiver, CopyOfInput(*event));
    return true;
  }

 private:
  std::vector<std::pair<QPointer<QObject>, std::unique_ptr<QEvent>>> m_held;
};

// The wait cursor and the list's busy state, from construction to destruction. The wait cursor,
// not the busy one (an arrow with an hourglass): input is held for the whole wait, so the program
// does not take clicks meanwhile, which is what the wait cursor says.
class WaitShown final {
 public:
  explicit WaitShown(ListView& list) : m_list(list) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_list.SetBusy(true);
  }
  ~WaitShown() {
    m_list.SetBusy(false);
    QApplication::restoreOverrideCursor();
  }
  WaitShown(const WaitShown&) = delete;
  WaitShown& operator=(const WaitShown&) = delete;

 private:
  ListView& m_list;
};

}  // namespace

bool RunWithoutFreezing(const std::function<void()>& work, ListView& list) {
  std::atomic<bool> cancelled = false, finished = false;
  QEventLoop loop;
  std::thread worker;
  try {
    worker = std::thread([&] {
      const Module1::FetchScope scope(cancelled);
      // Nothing may unwind out of a thread. Memory that runs out, or any other failure, ends the
      // work as a failed fetch does: what it was to give stays as it was, empty.
      try {
        work();
      } catch (...) {
      }
      finished = true;
      // Queued, so the loop ends even when the work finished before the loop began.
      QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    return true;  // no thread to be had: as a fetch that failed at once
  }
  std::atomic<bool>* const outer = std::exchange(g_cancelled, &cancelled);
  {
    const WaitShown shown(list);
    const InputHold hold;
    loop.exec();
  }
  // The loop also ends when the application quits, as its last window closes: the work is then
  // cancelled, and waiting for it takes no longer than one look at the flag.
  if (!finished) cancelled = true;
  worker.join();
  g_cancelled = outer;
  return !cancelled;
}

void CancelWait() {
  if (g_cancelled) *g_cancelled = true;
}
