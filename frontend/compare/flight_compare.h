// SPDX-License-Identifier: GPL-3.0-or-later
// Two flights side by side: where flight B lies on flight A's time (by
// takeoff, engine start or clock time), which of B's channels stands for
// each of A's (by kind, engine, cylinder and sensor, never by title), B's
// value at A's cursor, and the ruler's figures between two rows of a flight.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/flight_phases.h"
#include "flight/flight.h"

namespace varnix::frontend {

enum class AlignBy { Takeoff, EngineStart, Clock };

// "takeoff", "engine start", "clock time".
std::string_view AlignByName(AlignBy by);
// The command line's words for it: "takeoff", "start", "clock"; none for any other.
std::optional<AlignBy> AlignByOption(std::string_view word);

// What aligning needs of one flight, in seconds from its first row.
struct FlightMoments {
  std::optional<double> takeoff;      // the first takeoff's start
  std::optional<double> engineStart;  // the first engine start
};
FlightMoments MomentsOf(const analysis::FlightPhases& phases);

struct Alignment {
  // B's row at `t` seconds from its first row lies at `t + offset` on A's.
  double offset = 0;
  AlignBy by = AlignBy::Takeoff;  // what was used, which may not be what was asked
  std::string note;               // why another alignment was used; "" when none was
};
// Takeoff falls back to engine start, and engine start to the first rows,
// when a flight lacks the moment; clock time is the time of day alone.
Alignment AlignFlights(const flight::Flight& a, const FlightMoments& ma, const flight::Flight& b, const FlightMoments& mb,
                       AlignBy wanted);

// Per channel of `a`, the index of the channel of `b` that measures the same
// thing in the same unit, or -1. Each of B's channels stands for one of A's
// at most; channels of no known kind match by their titles alone.
std::vector<int> MatchChannels(const std::vector<flight::Channel>& a, const std::vector<flight::Channel>& b);

// The value of `channel` of `f` at `seconds` from its first row: the nearest
// row's, when it lies within one recording interval; else NaN.
float ValueNear(const flight::Flight& f, int channel, double seconds);

// A channel of A at its cursor beside the matching one of B.
struct ComparedValue {
  float a = 0, b = 0, difference = 0;  // difference = a - b; NaN where either is missing
};
// Per channel of `a` at `row`; `match` is MatchChannels of the two flights.
std::vector<ComparedValue> CompareAt(const flight::Flight& a, std::size_t row, const flight::Flight& b,
                                     const std::vector<int>& match, const Alignment& alignment);

// The ruler's figures between two rows of a flight.
struct RulerChange {
  float change = 0;        // the value at the later row less the one at the earlier; NaN where either is missing
  double perMinute = 0;    // that change over the minutes between them; NaN for a span of no time
};
struct FuelBurnt {
  flight::Engine engine = flight::Engine::Only;
  double amount = 0;       // in FuelAmountUnit of the flight's channels
  bool fromUsed = false;   // the used-fuel channel's change, else the fuel flow added up
};
struct RulerFigures {
  std::size_t first = 0, last = 0;  // rows, first <= last
  double seconds = 0;               // between them
  std::vector<RulerChange> channels;  // per channel of the flight
  std::vector<FuelBurnt> fuel;        // per engine with a used-fuel or fuel-flow channel
};
RulerFigures RulerFiguresOf(const flight::Flight& f, std::size_t first, std::size_t last);

}  // namespace varnix::frontend
