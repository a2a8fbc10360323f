// SPDX-License-Identifier: GPL-3.0-or-later
// The maintenance.csv that goes with a simulated history: an injector cleaned
// on the day of a chosen flight, oil added at a chosen rate, fuel fills to
// full whose pumped gallons differ from the flights' fuel flow by a chosen
// transducer error. The flights' dates and fuel come from the dump's plan.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "encoder/dump_encoder.h"
#include "encoder/flight_profile.h"

namespace varnix::sim {

struct SimulatedMaintenance {
  struct Injector {
    int cylinder = 3;
    double cooler = 25;  // °F its cruise CHT falls from the flight on
    int flight = 0;      // the first flight after the cleaning (1 is the first), 0: the middle one
  };
  std::optional<Injector> injector;
  std::optional<double> oilRate;      // qt/h: an oil change at the first flight, oil added every fifth
  std::optional<double> fuelError;    // %: the monitor's fuel against the fuel pumped, a fill to full every third flight
  bool any() const { return injector || oilRate || fuelError; }
};

// "3:25" or "3:25:40": CYLINDER:DEGREES[:FLIGHT]; "" when it reads so, else what is wrong.
std::string ParseInjector(const std::string& text, SimulatedMaintenance::Injector* injector);

// The step the injector's cleaning makes in the flights (a slow change made once).
encode::ProfileEventOptions::SlowChange InjectorStep(const SimulatedMaintenance::Injector& injector, int flights);

// The file's text (its header first) for the dump's flights and what was said of each.
std::string MaintenanceCsv(const SimulatedMaintenance& m, const encode::DumpPlan& plan,
                           const std::vector<encode::ProfileEvents>& truth, double minutes);

}  // namespace varnix::sim
