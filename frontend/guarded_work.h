// SPDX-License-Identifier: GPL-3.0-or-later
// The body of a worker thread (the flight window's reader, the logbook's
// catalog and import workers) runs through GuardedWork: what it throws, a
// flight's rows wanting more memory than there is above all, comes back as
// a phrase for the window's message instead of ending the program.
#pragma once

#include <exception>
#include <new>
#include <string>

namespace varnix::frontend {

// Runs `work`; empty when it ran to its end, else what stopped it:
// "there is not enough memory for it", or the exception's own words.
template <class Work>
std::string GuardedWork(Work&& work) noexcept {
  try {
    work();
    return {};
  } catch (const std::bad_alloc&) {
    return "there is not enough memory for it";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "it failed unexpectedly";
  }
}

}  // namespace varnix::frontend
