// SPDX-License-Identifier: MIT
// An aircraft's cruise baselines for one flight: what the baseline finding
// judges the flight against, for showing beside the flight's own figures.
#pragma once

#include <string>
#include <vector>

#include "analysis/findings.h"

namespace varnix::analysis {

// The newest flight's cruise EGT and CHT of each cylinder beside its baseline:
// the median over the last 30 comparable flights (at least five), as the
// baseline finding takes it; in the newest flight's unit, CHT first.
struct CruiseBaseline {
  std::string channel;  // "C3", "E3"
  flight::ChannelKind kind = flight::ChannelKind::Cht;
  double value = 0;     // the newest flight's
  double median = 0;    // of the comparable flights before it
  std::size_t flights = 0;
};
std::vector<CruiseBaseline> CruiseBaselines(const std::vector<TrendPoint>& flights, const Limits& limits);

}  // namespace varnix::analysis
