// SPDX-License-Identifier: MIT
#include "analysis/flight_phases.h"

namespace varnix::flight {

std::string_view PhaseName(Phase phase) {
  switch (phase) {
    case Phase::Ground: return "ground";
    case Phase::Runup: return "runup";
    case Phase::Takeoff: return "takeoff";
    case Phase::Climb: return "climb";
    case Phase::Cruise: return "cruise";
    case Phase::Descent: return "descent";
  }
  return "ground";
}

std::string_view EventName(FlightEventKind kind) {
  return kind == FlightEventKind::EngineStart ? "engine_start" : "shutdown";
}

std::vector<PhaseSpan> FlightPhases::of(Phase phase) const {
  std::vector<PhaseSpan> found;
  for (const PhaseSpan& s : spans)
    if (s.phase == phase) found.push_back(s);
  return found;
}

// Not yet found: every consumer copes with a flight of no phases.
FlightPhases FindPhases(const Flight&) { return {}; }

}  // namespace varnix::flight
