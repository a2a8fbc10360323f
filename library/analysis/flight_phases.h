// SPDX-License-Identifier: MIT
// The parts of a flight: on the ground with the engine running, the run-up,
// takeoff, climb, cruise and descent. Where the file records the airspeed or
// the altitude (avionics logs) the airborne phases come from what the aircraft
// did (air_phases.h); otherwise from the engine channels (RPM, MAP, fuel flow)
// and the pilot's actions: the climb ends at the first lasting reduction of
// power or fuel flow that leaves climb power while the heads stop warming (or,
// normally aspirated, where the heads cool with MAP steady); a descent is a
// lasting drop of power and fuel flow from the cruise's; takeoff power after a
// landing or an idle run is another takeoff. Each decision needs its condition
// to hold for a minimum time, so a phase never flickers (see README, "Flight
// phases, power and mixture").
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/result_json.h"
#include "flight/flight.h"

namespace varnix::analysis {

struct ResultSection;  // analysis/result_sections.h

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

// What one span of the flight burnt and how hot it ran; NaN where the flight
// lacks the channel.
struct PhaseFigures {
  Phase phase = Phase::Ground;
  double start_s = 0, end_s = 0;
  double fuel = 0;        // burnt, in the unit the fuel flow adds up to (gallons for GPH)
  double max_cht = 0;     // the hottest head, in the flight's engine unit
  double mean_egt = 0;    // the mean of every cylinder's EGT
  double mean_power = 0;  // percent, from the recorded power channel
};

struct FlightPhases {
  std::vector<PhaseSpan> spans;     // in time order, not overlapping
  std::vector<FlightEvent> events;  // in time order
  std::vector<PhaseFigures> figures;  // one for each span, in the same order
  // What the phases were found from: "airspeed" or "altitude" (the air data,
  // the ground and run-up from the engine), else the engine's "rpm_map",
  // "power_percent", "rpm", "fuel_flow"; "" when they could not be found, and
  // then `why` says why.
  std::string basis;
  std::string why;
  // The spans of one phase, in time order.
  std::vector<PhaseSpan> of(Phase phase) const;
};

FlightPhases FindPhases(const flight::Flight& flight);
// The same without the figures, for callers that need none or find them
// meanwhile (PhaseFiguresOf of the spans).
FlightPhases FindPhaseSpans(const flight::Flight& flight);

// The phases from the engine channels alone, what files without altitude or
// airspeed get (FindPhaseSpans uses the air data where the file has it).
FlightPhases FindEnginePhases(const flight::Flight& flight);

// The engine phases and power are found from: the left one of a twin (the
// right one where only it has RPM).
flight::Engine PhaseEngine(const flight::Flight& flight);

// The rows of a span: the first at or after `start` (*first) and the last at
// or before `end` (*last), the seconds in order; false when none lies within.
bool RowsWithin(const flight::Flight& flight, double start, double end, std::size_t* first, std::size_t* last);

// The figures of each span of `spans` (for callers that adjust the spans).
std::vector<PhaseFigures> PhaseFiguresOf(const flight::Flight& flight, std::span<const PhaseSpan> spans);

// The phases as a table: each phase's times, fuel, hottest CHT, mean EGT and power.
std::vector<ResultSection> PhaseSections(const flight::Flight& f, const FlightPhases& phases);

// `phases` and `events` of analyze --json: [{phase, start_s, end_s, fuel, max_cht, mean_egt, mean_power}]
// (a figure null without its channel) and [{kind, at_s}].
Json PhasesJson(const FlightPhases& phases);
Json EventsJson(const FlightPhases& phases);

}  // namespace varnix::analysis
