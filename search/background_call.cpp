// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/background_call.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMetaObject>
#include <QMouseEvent>
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

// The widget a held press, key or context-menu request is aimed at: the window system's events
// name the window, so for the keyboard the widget with the keyboard, for the pointer the one under
// it. Null for other input, which no rows of a list can turn against the user.
QWidget* Target(QObject* receiver, const QEvent& event) {
  const auto* request =
      event.type() == QEvent::ContextMenu ? static_cast<const QContextMenuEvent*>(&event) : nullptr;
  const bool keyboard = event.type() == QEvent::KeyPress ||
                        (request && request->reason() == QContextMenuEvent::Keyboard);
  const bool press = event.type() == QEvent::MouseButtonPress ||
                     event.type() == QEvent::MouseButtonDblClick || (request && !keyboard);
  if (!keyboard && !press) return nullptr;
  if (auto* widget = qobject_cast<QWidget*>(receiver)) return widget;
  if (keyboard) return QApplication::focusWidget();
  return QApplication::widgetAt(request ? request->globalPos()
                                        : GlobalPosition(static_cast<const QMouseEvent&>(event)));
}

// Holds the input that arrives during a wait and hands it back, in order, when the wait ends. A
// loop that excludes user input would hold the window system's close requests too; this lets
// them, and the shortcuts that close a window, through. Escape pressed in the waiting window ends
// the wait there. A press, a key or a context-menu request aimed at a list whose rows the wait
// replaces is dropped: it was meant for rows that are gone, and would act on rows the user has not
// seen; the user can aim again at what the wait brings.
class InputHold final : public QObject {
 public:
  InputHold(const QWidget* window, const QWidget* replaced)
      : m_window(window), m_replaced(replaced) {
    QCoreApplication::instance()->installEventFilter(this);
  }
  // Each held event is made again and delivered in its turn among the events posted meanwhile.
  ~InputHold() override {
    QCoreApplication::instance()->removeEventFilter(this);
    for (auto& [receiver, make] : m_held) {
      if (!receiver) continue;
      QMetaObject::invokeMethod(
          receiver,
          [receiver = receiver, make = std::move(make)] {
            if (const std::unique_ptr<QEvent> event = make(); receiver && event)
              QCoreApplication::sendEvent(receiver, event.get());
          },
          Qt::QueuedConnection);
    }
  }

 protected:
  bool eventFilter(QObject* receiver, QEvent* event) override {
    EventMaker make = MakerOfInput(*event);
    if (!make) return false;
    const QWidget* target = Target(receiver, *event);
    if (target != nullptr && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && target->window() == m_window) {
      CancelWait();
    } else if (target == nullptr || m_replaced == nullptr ||
               (target != m_replaced && !m_replaced->isAncestorOf(target))) {
      m_held.emplace_back(receiver, std::move(make));
    }
    return true;
  }

 private:
  const QWidget* const m_window;
  const QWidget* const m_replaced;
  std::vector<std::pair<QPointer<QObject>, EventMaker>> m_held;
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

bool RunWithoutFreezing(const std::function<void()>& work, ListView& list, Rows rows) {
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
    const InputHold hold(list.window(), rows == Rows::kReplaced ? &list : nullptr);
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
