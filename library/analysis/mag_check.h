// SPDX-License-Identifier: MIT
// The magneto check at run-up. Within the run-up, an interval on one
// magneto is RPM falling 25 or more below the both-magneto level (the mean
// of the 10 s before it) with MAP held within 1 in Hg, and coming back
// within 60 s; its rows after the first (the switch) give the RPM drop and
// each EGT's rise over that level. Each cylinder rising `mag_rise_min` to
// `mag_rise_max` (20–150 °F) is as it should be; a cylinder rising less,
// falling, rising more, or swinging both ways by `mag_rise_min` is not.
// None of them wrong: `normal`; some, at most half: `plug` (a plug or lead
// on those cylinders); more than half: `magneto` (what they share). Fewer
// than two rows on the magneto: `too_coarse`. A caution is given when the
// drop exceeds `mag_drop_max` (175 RPM) or the first two intervals' drops
// differ by more than `mag_drop_difference` (50 RPM), the figures of the
// engine makers' service instructions. Flights in °C are judged against
// the converted rises and told in °C.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/flight_phases.h"
#include "analysis/limits.h"
#include "analysis/result_json.h"
#include "analysis/result_sections.h"
#include "flight/flight.h"

namespace varnix::analysis {

enum class MagVerdict { Normal, Plug, Magneto, TooCoarse };

// "normal", "plug", "magneto", "too_coarse".
std::string_view MagVerdictName(MagVerdict verdict);

struct MagRise {
  std::string channel;  // "E1", "LE3"
  double rise = 0;      // over the both-magneto level, in the flight's unit (negative: fell)
};

struct MagCheck {
  double start_s = 0, end_s = 0;  // the interval's first and last row on one magneto
  double rpm_drop = 0;            // below the both-magneto level
  MagVerdict verdict = MagVerdict::Normal;
  std::vector<MagRise> rises;     // by cylinder
  std::string caution;            // "" for none; the drop too large, or unlike the other magneto's
  int rows = 0;                   // rows on the magneto
};

// The intervals on one magneto within each of `runups` (their start to
// end), per engine, in time order.
std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits, std::span<const PhaseSpan> runups);
// The same within the flight's run-up phases or, without any, the run-up
// that FindRunup finds.
std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits);
// The same with the flight's phases already found.
std::vector<MagCheck> CheckMagnetos(const flight::Flight& flight, const Limits& limits, const FlightPhases& phases);

// The run-up as the engine channels show it: before the first row at 2200
// RPM or more, the longest stretch of 15 s or more with RPM between 1450
// and 2150, at least once 1650, and fuel flow at most half the flight's
// highest. None when the flight has no such stretch.
std::vector<PhaseSpan> FindRunup(const flight::Flight& flight, flight::Engine engine = flight::Engine::Only);

// The checks as a table: each one's RPM drop, verdict and every EGT's rise.
ResultSections MagCheckSections(const flight::Flight& f, const std::vector<MagCheck>& checks);

// `mag_checks` of analyze --json: [{start_s, end_s, rpm_drop, verdict, rises: [{channel, rise}], caution, rows}].
Json MagChecksJson(const std::vector<MagCheck>& checks);

}  // namespace varnix::analysis
