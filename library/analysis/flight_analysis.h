// SPDX-License-Identifier: MIT
// A flight analysed once for every place that shows it: the summary, the
// limit-free digest the findings are judged from, and the headline figures
// the flight window, the report, the logbook and varnix-cli show, so that
// screen and paper never disagree.
#pragma once

#include <string>
#include <vector>

#include "analysis/findings.h"
#include "analysis/flight_phases.h"
#include "analysis/flight_summary.h"
#include "analysis/lean_test.h"
#include "flight/flight.h"

namespace varnix::analysis {

// A figure with the channel it came from and when.
struct Figure {
  std::string key;      // what it is, for lists of figures: "EGT", "LCHT", ...
  std::string channel;  // "" when the flight has no such channel
  float value = 0;
  float at = 0;         // seconds from the start
  int cylinder = 0;     // of the channel, when it is a cylinder's
  flight::Engine engine = flight::Engine::Only;
  bool known() const { return !channel.empty(); }
};

// The figures owners look for first, over both engines of a twin.
struct Headline {
  Figure hottestEgt, hottestCht, hottestTit, difMax;
  Figure fastestCooling;        // the recorded CLD, else the cooling derived from the CHT slope
  Figure batteryMin;
  std::vector<Figure> hottest;  // the summary's hottest per group and engine, keyed as varnix-cli info keys them
  float fuelUsed = 0;           // all engines; NaN without fuel figures
  std::vector<Figure> maxCht;   // per CHT channel, for the trends
};

struct FlightAnalysis {
  FlightSummary summary;
  FlightDigest digest;
  Headline headline;
  LastLean lean;  // the last lean test, its sweeps found under the default limits
};

FlightAnalysis AnalyseFlight(const flight::Flight& flight);
// The same from the flight's phases found already (FindPhases of it).
FlightAnalysis AnalyseFlight(const flight::Flight& flight, const FlightPhases& phases);
// The headline of a flight from its summary and digest.
Headline HeadlineOf(const flight::Flight& flight, const FlightSummary& summary, const FlightDigest& digest);

}  // namespace varnix::analysis
