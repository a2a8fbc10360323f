// SPDX-License-Identifier: MIT
// Two independent parts of an analysis at once: `beside` on a thread of its
// own while `here` runs on the caller's. Only a long flight is worth it: a
// thread costs more than the work of an hour's rows, so short flights (and a
// machine that gives no thread) do the parts in turn, with the same results.
#pragma once

#include <cstddef>
#include <future>
#include <system_error>
#include <utility>

namespace varnix::flight {

// Rows from which an analysis splits its work over two threads.
inline constexpr std::size_t kParallelRows = 10000;

// Both parts are done when it returns; what either threw is thrown here
// (the other part still runs to its end first, so nothing it uses goes).
template <class Beside, class Here>
void RunBeside(bool parallel, Beside&& beside, Here&& here) {
  std::future<void> other;
  if (parallel) {
    try {
      other = std::async(std::launch::async, [&beside] { beside(); });
    } catch (const std::system_error&) {
      // No thread to be had: the parts in turn.
    }
  }
  if (!other.valid()) {
    beside();
    here();
    return;
  }
  here();
  other.get();
}

}  // namespace varnix::flight
