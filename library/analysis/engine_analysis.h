// SPDX-License-Identifier: MIT
// Every engine analysis of one flight, found once for varnix-cli analyze and
// the flight window alike: the phases first, then the analyses that work
// within them (power and mixture in the cruise, the lean test, the magneto
// check in the run-up, the sensor and exhaust-valve screens) and the
// findings judged under the aircraft's limits. A caller that shows the
// flight's summary too (the flight window) has AnalyseFlight's result made
// from the same phases and digest, so that neither is found twice.
#pragma once

#include <vector>

#include "analysis/findings.h"
#include "analysis/flight_analysis.h"
#include "analysis/flight_phases.h"
#include "analysis/lean_test.h"
#include "analysis/limits.h"
#include "analysis/mag_check.h"
#include "analysis/power_mixture.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "flight/flight.h"

namespace varnix::analysis {

struct EngineAnalysis {
  FlightPhases phases;
  PowerMixture powerMixture;
  std::vector<LeanTest> leanTests;
  std::vector<MagCheck> magChecks;
  std::vector<RunupDip> runupDips;  // the run-up's dips that were no magneto check
  std::vector<SensorFault> sensorFaults;
  ValveScreen valveScreen;
  FlightDigest digest;
  std::vector<Finding> findings;  // of this flight, in time order
};

EngineAnalysis AnalyseEngine(const flight::Flight& flight, const Limits& limits);
// The same, with `analysed` set to AnalyseFlight(flight).
EngineAnalysis AnalyseEngine(const flight::Flight& flight, const Limits& limits, FlightAnalysis& analysed);

}  // namespace varnix::analysis
