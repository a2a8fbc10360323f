// SPDX-License-Identifier: MIT
// Slow changes of one cylinder: its cruise CHT or EGT against the other
// cylinders of its engine, the recent flights against the aircraft's own
// reference before them. Measured against the others, a season, a power
// setting or a mixture that every cylinder follows cancels out, and what is
// left is the cylinder's own: a head that warms a degree a flight for weeks,
// which no single flight and no drift over ten flights shows.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "analysis/findings.h"

namespace varnix::analysis {

// The recent flights: the last kRecentFlights, or more when the last
// kRecentDays hold more; the reference: up to kReferenceFlights before them,
// at least kReferenceMinimumFlights.
inline constexpr std::size_t kRecentFlights = 10;
inline constexpr double kRecentDays = 30;
inline constexpr std::size_t kReferenceFlights = 90;
inline constexpr std::size_t kReferenceMinimumFlights = 10;
// A change is a finding from this many °F, and from three times the
// reference's own scatter from flight to flight.
inline constexpr double kSlowChangeF = 20;

// A cylinder's reading in one flight against the others of its engine (as
// the channels' names tell the engine: "LC3" is the left engine's): its value
// minus the others' median, in °F, leaving out the channels `leftOut`; NaN
// when the flight lacks it or has no other cylinder of that engine.
double AgainstTheOthers(const std::vector<std::pair<std::string, float>>& figures, const std::string& channel,
                        flight::Unit unit, const std::vector<std::string>& leftOut = {});

// How many channels of `figures` (with a value) are of `channel`'s engine, it included.
std::size_t CylindersOfItsEngine(const std::vector<std::pair<std::string, float>>& figures, const std::string& channel);

// Whether a figure moved between two runs of flights: the runs' medians,
// the change, the flight-to-flight scatter of the run before (a slow change
// in it does not widen it, as a spread around its median would), and whether
// the change stands out of it (at least `least` and three times the scatter).
struct StepJudged {
  double before = 0, after = 0, change = 0, scatter = 0;
  bool standsOut = false;
};
StepJudged JudgeStep(const std::vector<double>& before, const std::vector<double>& after, double least);

// Flights oldest first. One `change` finding per cylinder and quantity that
// moved kSlowChangeF or more against the others, its `date` the first recent
// flight, its `peak` the change (in the newest flight's unit), its hint where
// to look.
std::vector<Finding> SlowChanges(const std::vector<TrendPoint>& flights);

}  // namespace varnix::analysis
