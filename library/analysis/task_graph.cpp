// SPDX-License-Identifier: MIT
#include "analysis/task_graph.h"

#include <exception>

#include "analysis/run_beside.h"

#ifndef VARNIX_RUN_BESIDE_IN_TURN
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#endif

namespace varnix::analysis {

namespace {

void runInTurn(std::span<const Task> tasks) {
  for (const Task& t : tasks) t.run();
}

#ifndef VARNIX_RUN_BESIDE_IN_TURN

// The two workers' shared state: which tasks are begun and done.
class Board {
 public:
  explicit Board(std::span<const Task> tasks) : tasks_(tasks), begun_(tasks.size()), done_(tasks.size()) {}

  // Takes tasks until none is left (or one threw).
  void work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (failure_ || finished_ == tasks_.size()) return;
      const std::size_t next = ready();
      if (next == tasks_.size()) {
        changed_.wait(lock);
        continue;
      }
      begun_[next] = true;
      lock.unlock();
      std::exception_ptr thrown;
      try {
        tasks_[next].run();
      } catch (...) {
        thrown = std::current_exception();
      }
      lock.lock();
      done_[next] = true;
      ++finished_;
      if (thrown && !failure_) failure_ = thrown;
      changed_.notify_all();
    }
  }

  std::exception_ptr failure() const { return failure_; }

 private:
  // The first task not begun whose needs are done; tasks_.size() when none is.
  std::size_t ready() const {
    for (std::size_t i = 0; i < tasks_.size(); ++i) {
      if (begun_[i]) continue;
      bool met = true;
      for (std::size_t n : tasks_[i].needs) met = met && done_[n];
      if (met) return i;
    }
    return tasks_.size();
  }

  std::span<const Task> tasks_;
  std::vector<bool> begun_, done_;
  std::size_t finished_ = 0;
  std::exception_ptr failure_;
  std::mutex mutex_;
  std::condition_variable changed_;
};

#endif

}  // namespace

void RunTasks(std::span<const Task> tasks, [[maybe_unused]] bool parallel) {
#ifndef VARNIX_RUN_BESIDE_IN_TURN
  if (parallel && tasks.size() > 1) {
    Board board(tasks);
    std::thread other;
    try {
      other = std::thread([&board] { board.work(); });
    } catch (const std::system_error&) {
      // No thread to be had: the caller's worker takes them all.
    }
    board.work();
    if (other.joinable()) other.join();
    if (board.failure()) std::rethrow_exception(board.failure());
    return;
  }
#endif
  runInTurn(tasks);
}

}  // namespace varnix::analysis
