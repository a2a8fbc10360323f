// SPDX-License-Identifier: MIT
// The parts of a flight: on the ground with the engine running, the run-up,
// takeoff, climb, cruise and descent, found from the engine channels alone
// (RPM, MAP, fuel flow), so that files without altitude get them too. Each
// decision needs its condition to hold for a minimum time (hysteresis and
// dwell), so a phase never flickers. The thresholds are our own, tuned on the
// simulator's profile and a recorded avionics log (see README, "Flight
// phases"): takeoff is the first minute at takeoff power; climb lasts while
// power and fuel flow stay near their takeoff levels; descent is a lasting
// drop of both power and fuel flow below 80% of the cruise's.
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
  // What the phases were found from: "rpm_map", "power_percent", "rpm",
  // "fuel_flow"; "" when they could not be found, and then `why` says why.
  std::string basis;
  std::string why;
  // The spans of one phase, in time order.
  std::vector<PhaseSpan> of(Phase phase) const;
};

FlightPhases FindPhases(const flight::Flight& flight);
// The same without the figures, for callers that need none or find them
// meanwhile (PhaseFiguresOf of the spans).
FlightPhases FindPhaseSpans(const flight::Flight& flight);

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
