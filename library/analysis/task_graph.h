// SPDX-License-Identifier: MIT
// Tasks that need others done first, run in that order: in turn, or on a
// long flight by two workers (the caller's thread and one more) that each
// take the first task whose needs are done. The tasks share nothing but
// what they read from the tasks they need, so the results are those of the
// same tasks in turn, whichever worker ran which.
#pragma once

#include <cstddef>
#include <functional>
#include <span>
#include <vector>

namespace varnix::analysis {

struct Task {
  std::vector<std::size_t> needs;  // indices of earlier tasks
  std::function<void()> run;
};

// Every task run once, after the tasks it needs; `parallel` lets a second
// worker share them (none where the standard library gives no thread, see
// run_beside.h). What a task throws is thrown here once both workers have
// stopped: the tasks under way end first, none is begun after it.
void RunTasks(std::span<const Task> tasks, bool parallel);

}  // namespace varnix::analysis
