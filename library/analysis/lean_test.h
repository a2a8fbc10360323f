// SPDX-License-Identifier: MIT
// The lean test: how evenly the injectors feed the cylinders. A sweep is
// fuel flow falling steadily (by 1 GPH or more, never rising back by more
// than 0.3 GPH, never pausing more than 30 s) while RPM stays within 100 of
// where it began and MAP within 1 in Hg, ending within 0.4 in Hg of where
// it began (a throttle cut or a climb moves them, so it is no sweep), and
// more than half the EGTs rising 20 °F or more. The sweep's rows are those
// of the fall; the lean rows held after it (up to 30 s) still count for
// the last cylinders falling past their peaks. Each
// cylinder's peak is placed by a least-squares parabola through the rows
// around its highest EGT and the fuel flow there by a straight line
// through the flow of those rows, so neither is a raw sample. The spread is
// the flow at the first peak minus that at the last: `good` up to
// `lean_good_spread` (0.5 GPH), `fair` up to `lean_fair_spread` (1.0 GPH),
// `poor` above, the usual tolerances of a balanced set of injectors;
// flights in LPH, PPH or KPH are judged against the converted limits and
// told in their own unit. A cylinder whose EGT never falls 10 °F past its
// highest value within the sweep has no peak and the sweep is `incomplete`;
// a peak seen in fewer than three rows, or with the flow falling more than
// 0.5 GPH from row to row, cannot be placed and the sweep is `too_coarse`.
// Neither gets a spread. Leaning with no cylinder falling past its peak is
// no lean test and is not listed, unless the flow fell more than 0.5 GPH
// from one row to the next (a quick pull, `too_coarse`). A sweep whose flow
// fell more than that from a row to the next is "too quick for a spread",
// with what its rows show (quick_pull.h: how far the flow fell, how far the
// EGTs rose and whether they eased past a peak); other `too_coarse` sweeps
// have too few rows to place the peaks.
#pragma once

#include <span>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/flight_phases.h"
#include "analysis/limits.h"
#include "analysis/result_json.h"
#include "analysis/result_sections.h"
#include "flight/flight.h"

namespace varnix::analysis {

enum class LeanVerdict { Good, Fair, Poor, Incomplete, TooCoarse };

// "good", "fair", "poor", "incomplete", "too_coarse".
std::string_view LeanVerdictName(LeanVerdict verdict);

struct LeanPeak {
  std::string channel;  // "E3", "LE2"
  bool placed = false;  // false: no peak within the sweep (or too few rows to place it)
  double peak = 0;      // the highest EGT recorded in the sweep, in the flight's unit
  double fuel_flow = 0; // the fuel flow at the fitted peak; placed peaks only
  double at_s = 0;      // the fitted peak's time, seconds from the first row; placed peaks only
};

struct LeanTest {
  double start_s = 0, end_s = 0;
  LeanVerdict verdict = LeanVerdict::Incomplete;
  bool judged = false;       // a spread was measured (good, fair, poor)
  double spread = 0;         // judged only, in `spread_unit`
  flight::Unit spread_unit = flight::Unit::GallonsPerHour;  // the fuel flow channel's unit
  std::string first, last;   // the channels peaking first and last; judged only
  int rows = 0;              // rows in the sweep
  std::vector<LeanPeak> peaks;  // placed peaks in the order they came, then the others by cylinder
  std::string why;           // not judged: "too quick for a spread", "too few rows to place the peaks",
                             // "a cylinder did not pass its peak"; "" when judged
  std::string seen;          // a quick pull: what its rows show; else ""
};

// A spread in GPH judged against the aircraft's thresholds: good, fair or poor.
LeanVerdict JudgeLeanSpread(double gph, const Limits& limits);

// The last sweep of a flight as the catalog keeps it, for the fleet's
// overview: its verdict name ("" without a sweep) and its spread in GPH
// (NaN when not judged), so that another aircraft's thresholds judge it again.
struct LastLean {
  std::string verdict;
  double spreadGph = std::numeric_limits<double>::quiet_NaN();
};
LastLean LastLeanOf(const std::vector<LeanTest>& tests);
// `last`'s verdict under `limits` ("" without a sweep).
std::string LastLeanVerdict(const LastLean& last, const Limits& limits);

// The sweeps within `within` (each span's start to end; the whole flight
// when empty), per engine, in time order.
std::vector<LeanTest> FindLeanTests(const flight::Flight& flight, const Limits& limits,
                                    std::span<const PhaseSpan> within);
// The sweeps in the flight's cruise, or in the whole flight when it has no
// cruise phase.
std::vector<LeanTest> FindLeanTests(const flight::Flight& flight, const Limits& limits);

// Each sweep as a line with its verdict, and its peaks per cylinder as a table.
ResultSections LeanTestSections(const flight::Flight& f, const std::vector<LeanTest>& tests);

// `lean_tests` of analyze --json: [{start_s, end_s, verdict, spread, spread_unit, first, last, rows,
// peaks: [{channel, peak, fuel_flow, at_s}], why, seen}], what a sweep that is not judged lacks null.
Json LeanTestsJson(const std::vector<LeanTest>& tests);

}  // namespace varnix::analysis
