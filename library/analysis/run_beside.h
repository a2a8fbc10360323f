// SPDX-License-Identifier: MIT
// Two independent parts of an analysis at once: `beside` on a thread of its
// own while `here` runs on the caller's. Only a long flight is worth it: a
// thread costs more than the work of an hour's rows, so short flights (and a
// machine that gives no thread) do the parts in turn, with the same results.
#pragma once

#include <cstddef>
#include <utility>

// A standard library without threads (mingw's win32-thread compilers) does
// the parts in turn.
#if defined(__GLIBCXX__) && !defined(_GLIBCXX_HAS_GTHREADS)
#define VARNIX_RUN_BESIDE_IN_TURN 1
#else
#include <future>
#include <system_error>
#endif

namespace varnix::analysis {

#ifdef VARNIX_RUN_BESIDE_IN_TURN
inline constexpr bool kThreadsBeside = false;
#else
inline constexpr bool kThreadsBeside = true;  // RunBeside can give a part a thread of its own
#endif

// Rows from which an analysis splits its work over two threads.
inline constexpr std::size_t kParallelRows = 10000;

// Both parts are done when it returns; what either threw is thrown here
// (the other part still runs to its end first, so nothing it uses goes).
template <class Beside, class Here>
void RunBeside([[maybe_unused]] bool parallel, Beside&& beside, Here&& here) {
#ifndef VARNIX_RUN_BESIDE_IN_TURN
  std::future<void> other;
  if (parallel) {
    try {
      other = std::async(std::launch::async, [&beside] { beside(); });
    } catch (const std::system_error&) {
      // No thread to be had: the parts in turn.
    }
  }
  if (other.valid()) {
    here();
    other.get();
    return;
  }
#endif
  beside();
  here();
}

}  // namespace varnix::analysis
