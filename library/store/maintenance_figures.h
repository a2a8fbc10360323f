// SPDX-License-Identifier: MIT
// What the maintenance log and the flights tell together: the oil the
// engine uses per hour, from the oil added and the hours flown between, and
// how true the fuel-flow transducer reads, from the fuel pumped between two
// fills to full tanks and the fuel the flights' fuel flow adds up to.
// Pure functions over entries and flights the caller gives. A flight on the
// day of an entry counts after it (oil is added, tanks are filled, before
// the day's flying); a figure that rests on too little is left out with
// the reason, never shown.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/maintenance_log.h"

namespace varnix::store {

// One flight as these figures need it.
struct FlownFlight {
  std::string date;              // "YYYY-MM-DD"
  double hours = 0;              // its duration
  std::optional<double> fuel;    // the fuel its fuel flow adds up to, in `fuelUnit`
  std::string fuelUnit = "gal";  // "gal" or "L"
};

// The oil added at `to` over the hours flown since the entry before it
// (an oil change or an oil addition after the same change).
struct OilInterval {
  std::string from, to;        // the dates of the two entries
  double hours = 0;            // flown between them (the tach's difference where both give one)
  double quarts = 0;           // added at `to`
  std::optional<double> rate;  // quarts per hour; none when `why` says why
  std::string why;
};
// Intervals of fewer hours than this give no rate: a quart over an hour says nothing.
inline constexpr double kOilIntervalHoursLeast = 3.0;
std::vector<OilInterval> OilConsumption(const std::vector<MaintenanceEntry>& entries,
                                        const std::vector<FlownFlight>& flights);

// Between two fills to full tanks: the fuel pumped at the second (and at
// any fill not to full between) against the flights' fuel in between.
struct FuelInterval {
  std::string from, to;
  double pumped = 0, monitor = 0;    // gallons
  std::optional<double> errorPercent;  // (monitor - pumped) / pumped, in %; none when `why` says why
  std::string why;
};
struct FuelCalibration {
  std::vector<FuelInterval> intervals;
  // Said only from kFuelIntervalsLeast intervals that agree (their standard
  // deviation at most kFuelSpreadMost points): the mean error, its spread,
  // and the transducer factor that would correct it.
  std::optional<double> meanErrorPercent, spreadPercent, correctedFactor;
  std::string why;  // when there is no mean
};
inline constexpr std::size_t kFuelIntervalsLeast = 3;
inline constexpr double kFuelSpreadMost = 2.0;
// `factor`: the transducer's factor the monitor uses now (its K factor).
// New factor = old factor x monitor's fuel / fuel pumped, over the intervals.
FuelCalibration FuelFlowCalibration(const std::vector<MaintenanceEntry>& entries,
                                    const std::vector<FlownFlight>& flights, double factor);

// The figures as an owner reads them: "Oil used 0.50 qt/h: 1.0 qt added
// after 2.0 h since 2024-09-01" ("" for an interval without a rate); "The
// fuel flow reads +6.0 % (spread 0.2 points over 4 fills to full): a
// transducer factor of 1.060 times today's would correct it", or why it
// cannot be said ("" without an interval).
std::string OilIntervalText(const OilInterval& interval);
std::string FuelFlowText(const FuelCalibration& calibration);

}  // namespace varnix::store
