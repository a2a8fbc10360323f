// SPDX-License-Identifier: MIT
// Every engine analysis of one flight, found once for varnix-cli analyze and
// the flight window alike: the phases first, then the analyses that work
// within them (power and mixture in the cruise, the lean test, the magneto
// check in the run-up, the sensor and exhaust-valve screens) and the
// findings judged under the aircraft's limits.
#pragma once

#include <vector>

#include "analysis/findings.h"
#include "analysis/flight_phases.h"
#include "analysis/lean_test.h"
#include "analysis/limits.h"
#include "analysis/mag_check.h"
#include "analysis/power_mixture.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "flight/flight.h"

namespace varnix::flight {

struct EngineAnalysis {
  FlightPhases phases;
  PowerMixture powerMixture;
  std::vector<LeanTest> leanTests;
  std::vector<MagCheck> magChecks;
  std::vector<SensorFault> sensorFaults;
  ValveScreen valveScreen;
  FlightDigest digest;
  std::vector<Finding> findings;  // of this flight, in time order
};

EngineAnalysis AnalyseEngine(const Flight& flight, const Limits& limits);

}  // namespace varnix::flight
