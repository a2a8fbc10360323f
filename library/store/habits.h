// SPDX-License-Identifier: MIT
// A caution level that an aircraft crosses on most of its flights is how it
// is flown, not a new event each time: said once for the aircraft, with how
// often and how long, and a flight's own crossing stays open only when it is
// worse than that habit. The flight's findings keep every crossing (marked
// as the habit's, as an acknowledged finding is), so that nothing is lost.
#pragma once

#include <cstddef>

#include "store/logbook.h"

namespace varnix::store {

// A habit needs this many flights in the logbook, and the crossing on at
// least kHabitShare of them.
inline constexpr std::size_t kHabitFlights = 10;
inline constexpr double kHabitShare = 0.5;
// A crossing is worse than the habit when its peak passes the habit's
// median peak by this much (°F; the same span in °C), or lasts this many
// times the habit's median time.
inline constexpr double kHabitPeakMarginF = 10;
inline constexpr double kHabitTimeFactor = 1.5;

// Marks the habitual crossings of `log`'s flights (acknowledged, the reason
// naming the habit) and adds one finding per engine's habit to its trends.
void MarkHabits(AircraftLog& log);

}  // namespace varnix::store
