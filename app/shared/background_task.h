// SPDX-License-Identifier: GPL-3.0-or-later
// Work off the GUI thread, owned by the window it works for: the one way
// the program runs a file's reading, an import or the catalog's indexing
// beside its windows.
//
// A window keeps a BackgroundTask and starts its work in it. Closing the
// window (destroying the task) cancels the work and returns at once: the
// work sees stopAsked() and ends at its next check, and whatever it hands
// over afterwards is dropped. What it hands over while it runs
// (TaskControl::deliver) runs on the GUI thread, and only while the window
// lives and the task was not cancelled, so no work ever touches a window
// that is gone. Work that has not ended when its window goes is kept by the
// program, which waits for it when it ends (finishAll, also when the
// application object goes): nothing runs after main returns.
#pragma once

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <functional>
#include <memory>

namespace varnix::app {

namespace detail {
struct TaskState;
}

// Runs `call` on the GUI thread if `receiver` still lives by then; from any
// thread (a library's progress hook too). The receiver is looked at only on
// the GUI thread, where it is deleted; the call goes through the application
// object, which outlives every window.
template <class Receiver>
void postToGuiThread(QPointer<Receiver> receiver, std::function<void()> call) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  QMetaObject::invokeMethod(
      app,
      [receiver = std::move(receiver), call = std::move(call)] {
        if (receiver) call();
      },
      Qt::QueuedConnection);
}

// What the work is given: whether its window wants it to stop, and the way
// to hand something to the window.
class TaskControl {
 public:
  explicit TaskControl(std::shared_ptr<detail::TaskState> state) : state_(std::move(state)) {}

  // True once the task was cancelled or its window closed: the work ends
  // at the next point where ending leaves nothing half done.
  bool stopAsked() const;
  // The flag itself, for a library step that polls an atomic.
  const std::atomic<bool>& stopFlag() const;

  // Runs `call` on the GUI thread, unless by then the task was cancelled or
  // its receiver is gone. From any thread.
  void deliver(std::function<void()> call) const;
  // The same, with the receiver: `call(Receiver&)`.
  template <class Receiver, class Call>
  void deliverTo(Call call) const {
    deliverToObject([call = std::move(call)](QObject* receiver) {
      if (auto* r = qobject_cast<Receiver*>(receiver)) call(*r);
    });
  }

 private:
  void deliverToObject(std::function<void(QObject*)> call) const;
  std::shared_ptr<detail::TaskState> state_;
};

class BackgroundTask {
 public:
  // `receiver`: the window the work delivers to (lives on the GUI thread).
  explicit BackgroundTask(QObject* receiver);
  // Cancels the work and returns without waiting for it.
  ~BackgroundTask();
  BackgroundTask(const BackgroundTask&) = delete;
  BackgroundTask& operator=(const BackgroundTask&) = delete;

  using Work = std::function<void(const TaskControl&)>;
  // Runs `work` on a thread of its own. Work started before and still
  // running is cancelled first (what it delivers later is dropped).
  void start(Work work, QThread::Priority priority = QThread::InheritPriority);
  // Asks the work to stop; nothing it delivers from now on arrives.
  void cancel();
  // Whether the work started last is still running.
  bool running() const;

  // Cancels all work still running in the program and waits for it to end.
  // From the GUI thread, when the program ends; the application object's
  // destruction calls it too.
  static void finishAll();
  // How many threads of work have not ended yet (for the tests).
  static int outstanding();

 private:
  QPointer<QObject> receiver_;
  std::shared_ptr<detail::TaskState> state_;
};

}  // namespace varnix::app
