// SPDX-License-Identifier: MIT
// The engine's oil consumption as a finding of the aircraft: the newest
// interval between oil additions whose rate can be stood behind, against the
// engine makers' published limit for its rated power and against the
// engine's own past intervals.
#pragma once

#include <optional>
#include <vector>

#include "analysis/findings.h"
#include "analysis/limits.h"
#include "store/maintenance_figures.h"

namespace varnix::store {

// The makers' limit: 0.006 lb of oil per brake horsepower per hour, in US
// quarts per hour with oil at about 7.4 lb per US gallon.
inline constexpr double kOilLbPerBhpHour = 0.006;
inline constexpr double kOilLbPerGallon = 7.4;
double MakerOilLimit(double ratedHp);  // qt/h; 0 for an unknown rating
// A warning from this many times the makers' limit: past the rounding of the
// quarts added (half a quart over the shortest interval judged is under a
// third of a 180 hp engine's limit), so it is the engine, not the arithmetic.
inline constexpr double kOilWarningFactor = 1.5;
// The doubling rule: the newest rate at least twice the median of at least
// this many earlier judged intervals, and at least a whole quart more than
// that median rate would have used over the newest interval's hours (a
// single addition rounded to the quart does not double a small rate).
inline constexpr double kOilDoublingFactor = 2.0;
inline constexpr std::size_t kOilEarlierIntervalsLeast = 3;
inline constexpr double kOilDoublingQuartsLeast = 1.0;

// `intervals` in the log's order (oldest first); those without a rate are
// not judged. Nothing when the newest judged interval is within both rules.
std::optional<analysis::Finding> OilConsumptionFinding(const std::vector<OilInterval>& intervals,
                                                       const analysis::Limits& limits);

}  // namespace varnix::store
