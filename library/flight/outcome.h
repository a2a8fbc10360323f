// SPDX-License-Identifier: MIT
// The flight half's one form for a step that can fail (opening a catalog,
// decoding an entry, reading or saving a file): the value it gives and the
// problem that stopped it, as a sentence naming the place ("line 9: ...",
// the file). An empty problem means the step worked. The reader's
// FlightRead is one, with the line the problem is on; the presenters turn
// the problem into their own text (a QString) only where they show it.
#pragma once

#include <string>
#include <utility>

namespace varnix::flight {

template <class T>
struct [[nodiscard]] Outcome {
  T value{};
  std::string problem;  // empty when the step worked

  bool ok() const { return problem.empty(); }
  static Outcome failed(std::string why) { return Outcome{T{}, std::move(why)}; }
};

// For steps that give nothing but their success.
struct Nothing {};
using Done = Outcome<Nothing>;

}  // namespace varnix::flight
