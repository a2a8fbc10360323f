// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/shared/background_task.h"

#include <QCoreApplication>
#include <mutex>
#include <utility>
#include <vector>

namespace varnix::app {

namespace detail {

struct TaskState {
  std::atomic<bool> cancelled{false};
  std::atomic<bool> finished{false};
  QPointer<QObject> receiver;  // read on the GUI thread only
};

}  // namespace detail

namespace {

// Every thread of work the program started and has not yet seen end. The
// tasks come and go with their windows; the threads stay here until they
// have ended, so that the program's end can wait for them.
class Threads {
 public:
  ~Threads() { finishAll(); }  // the last resort, without an application object

  void add(QThread* thread, std::shared_ptr<detail::TaskState> state) {
    const std::lock_guard<std::mutex> lock(mutex_);
    reapLocked();
    running_.push_back({thread, std::move(state)});
  }

  int outstanding() {
    const std::lock_guard<std::mutex> lock(mutex_);
    reapLocked();
    return static_cast<int>(running_.size());
  }

  void finishAll() {
    std::vector<Running> all;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      all.swap(running_);
    }
    for (Running& r : all) r.state->cancelled = true;
    for (Running& r : all) {
      r.thread->wait();
      delete r.thread;
    }
  }

 private:
  struct Running {
    QThread* thread;
    std::shared_ptr<detail::TaskState> state;
  };

  // Deletes the threads that have ended (their QThread objects are the GUI
  // thread's).
  void reapLocked() {
    std::erase_if(running_, [](Running& r) {
      if (!r.state->finished || !r.thread->isFinished()) return false;
      r.thread->wait();
      delete r.thread;
      return true;
    });
  }

  std::mutex mutex_;
  std::vector<Running> running_;
};

Threads& threads() {
  static Threads all;
  return all;
}

void finishAllAtExit() { threads().finishAll(); }

// The application object's destruction waits for the work still running,
// before anything it delivers to could go.
void waitAtExit() {
  static bool registered = false;
  if (registered || !QCoreApplication::instance()) return;
  registered = true;
  qAddPostRoutine(finishAllAtExit);
}

}  // namespace

bool TaskControl::stopAsked() const { return state_->cancelled.load(); }

const std::atomic<bool>& TaskControl::stopFlag() const { return state_->cancelled; }

void TaskControl::deliver(std::function<void()> call) const {
  deliverToObject([call = std::move(call)](QObject*) { call(); });
}

void TaskControl::deliverToObject(std::function<void(QObject*)> call) const {
  if (state_->cancelled) return;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return;
  // Posted to the application object, which outlives every window: the
  // receiver is looked at only on the GUI thread, where it is deleted.
  QMetaObject::invokeMethod(
      app,
      [state = state_, call = std::move(call)] {
        if (state->cancelled || !state->receiver) return;
        call(state->receiver.data());
      },
      Qt::QueuedConnection);
}

BackgroundTask::BackgroundTask(QObject* receiver) : receiver_(receiver) {}

BackgroundTask::~BackgroundTask() { cancel(); }

void BackgroundTask::start(Work work, QThread::Priority priority) {
  cancel();
  waitAtExit();
  auto state = std::make_shared<detail::TaskState>();
  state->receiver = receiver_;
  state_ = state;
  QThread* thread = QThread::create([state, work = std::move(work)] {
    work(TaskControl(state));
    state->finished = true;
  });
  threads().add(thread, state);
  thread->start(priority);
}

void BackgroundTask::cancel() {
  if (state_) state_->cancelled = true;
}

bool BackgroundTask::running() const { return state_ && !state_->cancelled && !state_->finished; }

void BackgroundTask::finishAll() { threads().finishAll(); }

int BackgroundTask::outstanding() { return threads().outstanding(); }

}  // namespace varnix::app
