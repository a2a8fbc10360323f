// SPDX-License-Identifier: MIT
// The parts of a flight: on the ground with the engine running, the run-up,
// takeoff, climb, cruise and descent, found from the engine channels alone
// (RPM, MAP, fuel flow, the EGT and CHT trends) and from altitude when the
// flight has it. Each phase lasts a minimum time, so a phase never flickers.
#pragma once

#include <string_view>
#include <vector>

#include "flight/flight.h"

namespace varnix::flight {

enum class Phase { Ground, Runup, Takeoff, Climb, Cruise, Descent };

// "ground", "runup", "takeoff", "climb", "cruise", "descent".
std::string_view PhaseName(Phase phase);

struct PhaseSpan {
  Phase phase = Phase::Ground;
  double start = 0, end = 0;  // seconds from the flight's first row
};

enum class FlightEventKind { EngineStart, Shutdown };

// "engine_start", "shutdown".
std::string_view EventName(FlightEventKind kind);

struct FlightEvent {
  FlightEventKind kind = FlightEventKind::EngineStart;
  double at = 0;  // seconds from the flight's first row
};

struct FlightPhases {
  std::vector<PhaseSpan> spans;     // in time order, not overlapping
  std::vector<FlightEvent> events;  // in time order
  // The spans of one phase, in time order.
  std::vector<PhaseSpan> of(Phase phase) const;
};

FlightPhases FindPhases(const Flight& flight);

}  // namespace varnix::flight
