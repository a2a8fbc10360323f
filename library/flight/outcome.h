// SPDX-License-Identifier: MIT
// The flight half's one form for a step that can fail (opening a catalog,
// decoding an entry, reading or saving a file): the value it gives and the
// problem that stopped it, as a sentence naming the place ("line 9: ...",
// the file), and the line it names when it names one. An empty problem
// means the step worked. Presenters turn the problem into their own text
// (a QString on the Qt side) only where they show it.
#pragma once

#include <string>
#include <utility>

namespace varnix::flight {

template <class T>
struct [[nodiscard]] Outcome {
  T value{};
  std::string problem;  // empty when the step worked
  int line = 0;         // the line of the file the problem is on; 0: none (the whole file, or no file)

  bool ok() const { return problem.empty(); }
  static Outcome failed(std::string why, int onLine = 0) {
    Outcome o;
    o.problem = std::move(why);
    o.line = onLine;
    return o;
  }
};

// For steps that give nothing but their success.
struct Nothing {};
using Done = Outcome<Nothing>;

}  // namespace varnix::flight
