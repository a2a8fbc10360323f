// SPDX-License-Identifier: MIT
// A quick mixture pull: the fuel flow taken down by 15 % and 2 GPH or more
// within 20 s at steady RPM (within 3 %) and MAP (within 1 in Hg), as pilots
// lean a turbocharged engine from its climb flow to a figure lean of peak.
// Too quick for the rows to place each cylinder's peak, it still shows which
// side of the peak it ended on: each EGT rising to a highest value and
// easing 5 °F or more from it while the flow was still falling (the peak
// crossed: lean of peak), or only rising and then holding within 5 °F of
// its highest for the last 10 s of the 30 s after the pull (rich of peak).
// Judged when more than half the EGTs rose 20 °F or more: lean of peak when
// more than half of those eased, rich of peak when none did and all held,
// else unclear.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "flight/flight.h"

namespace varnix::analysis {

enum class PullSide { LeanOfPeak, RichOfPeak, Unclear };

struct PullCylinder {
  std::string channel;
  double rise = 0;   // from the pull's start to its highest, in the flight's unit
  double eased = 0;  // from its highest while the flow still fell (0: it did not)
};

struct QuickPull {
  double start_s = 0, end_s = 0;     // the fall of the fuel flow
  double flowFrom = 0, flowTo = 0;   // in the flow channel's unit
  flight::Unit flowUnit = flight::Unit::GallonsPerHour;
  flight::Engine engine = flight::Engine::Only;
  std::vector<PullCylinder> cylinders;
  PullSide side = PullSide::Unclear;
  // What the rows show: "the fuel flow fell from 24.4 to 15.5 GPH in 8 s;
  // the EGTs rose 108-126 °F, 5 of 6 easing 7-12 °F from their highest as it
  // kept falling".
  std::string seen;
};

// The quick pulls of one engine within rows [first, last], in time order.
std::vector<QuickPull> FindQuickPulls(const flight::Flight& flight, flight::Engine engine, std::size_t first,
                                      std::size_t last);

}  // namespace varnix::analysis
