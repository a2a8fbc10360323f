// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/binding/worker_call.h"

#include <QCloseEvent>
#include <QCursor>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <atomic>
#include <memory>

namespace varnix::app {

namespace {

// Whether `object` belongs to `window` (the widget, a child, or its
// system window).
bool belongsTo(QObject* object, QWidget* window) {
  if (!window) return false;
  if (auto* w = qobject_cast<QWidget*>(object)) return w == window || window->isAncestorOf(w);
  if (auto* handle = qobject_cast<QWindow*>(object)) return handle == window->windowHandle();
  return false;
}

// Swallows the user's input for every window of the program but the
// responsive one and the modal boxes over it.
class InputBlocker : public QObject {
 public:
  explicit InputBlocker(QWidget* responsive) : responsive_(responsive) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (responsive_ && (belongsTo(watched, responsive_) || belongsTo(watched, QApplication::activeModalWidget())))
      return QObject::eventFilter(watched, event);
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TabletPress:
      case QEvent::TabletRelease:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
        return true;
      case QEvent::Close:
        // Only the window frame's close box; the program's own closing
        // (after the call) goes through.
        if (event->spontaneous()) {
          event->ignore();
          return true;
        }
        break;
      default:
        break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QPointer<QWidget> responsive_;
};

// How many calls are being waited for: a call's local event loop may run
// another screen's call (the second waits inside the first), and the count
// is read from any thread.
std::atomic<int>& waiting() {
  static std::atomic<int> count{0};
  return count;
}

// Counts a call for as long as it is waited for, however the wait ends.
class Waiting {
 public:
  Waiting() { ++waiting(); }
  ~Waiting() { --waiting(); }
  Waiting(const Waiting&) = delete;
  Waiting& operator=(const Waiting&) = delete;
};

}  // namespace

bool libraryCallRunning() { return waiting().load() > 0; }

int runOffUiThread(const std::function<int()>& call, QWidget* responsive) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() != app->thread()) return call();

  int result = 0;
  InputBlocker blocker(responsive);
  app->installEventFilter(&blocker);
  const bool gui = qobject_cast<QGuiApplication*>(app) != nullptr;
  // The hourglass, unless a window stays responsive: it shows the progress.
  if (gui && !responsive) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  const Waiting counted;

  std::unique_ptr<QThread> worker(QThread::create([&result, &call] { result = call(); }));
  QEventLoop loop;
  // Emitted on the worker thread: queued to this thread, so it reaches the
  // loop even when the call ends before the loop starts.
  QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
  worker->start();
  loop.exec();
  // The loop also ends when the program is told to quit; the call must
  // still finish before anything else touches the library.
  worker->wait();

  if (gui && !responsive) QGuiApplication::restoreOverrideCursor();
  app->removeEventFilter(&blocker);
  return result;
}

}  // namespace varnix::app
