// SPDX-License-Identifier: MIT
// The magneto check at run-up, as pilots fly it: on 1-s rows a check lasts
// 2-5 s within a run-up of 20-60 s. A dip is RPM falling 15 or more below
// the both-magneto level just before it (the rows of the last 3 s within 15
// of their highest, so that neither the power still rising nor a dip's own
// rows lower it) and coming back within 15 of it within 60 s. A dip is a
// check on one magneto when the RPM held steady on it (its rows after the
// first within 40 RPM, or half the drop, of one another), MAP within 1 in Hg
// and the EGTs rose (their median `mag_rise_min` / 2 or more); other dips are
// told apart as the propeller (MAP rising as RPM fell, or RPM not steady),
// the throttle (MAP falling), or the EGTs falling or not rising (the return
// to both, a propeller cycle), and are no check. On 1-s rows a dip of one row
// is too short to be a check and left out; at coarser rows one row is
// `too_coarse`. Each EGT's rise is its extreme over the check's rows after
// the first and the row after it (the EGT lags the switch) against its last
// row on both. A cylinder is at fault when it fell `mag_rise_min` or more,
// rose less than half of `mag_rise_min` while the others' median rose
// `mag_rise_min` more, rose more than `mag_rise_max`, or swung both ways by
// `mag_rise_min`. None at fault: `normal`; some, at most half: `plug` (a
// plug or lead on those cylinders); more than half: `magneto` (what they
// share); every verdict says what showed it. A caution is given when the
// drop exceeds `mag_drop_max` (175 RPM) or the first two checks' drops
// differ by more than `mag_drop_difference` (50 RPM), the figures of the
// engine makers' service instructions. Each engine of a twin is judged from
// its own channels. Flights in °C are judged against the converted rises
// and told in °C.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
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
  std::string evidence;           // what the EGTs showed: "E3 fell 80 °F while the others rose 45-70 °F"
  double level_rpm = 0;           // the both-magneto level before it
  flight::Engine engine = flight::Engine::Only;
  std::vector<std::string> atFault;  // the EGT channels of the cylinders at fault, in cylinder order
};

// A dip in the run-up that is no magneto check, and what it was taken for.
struct RunupDip {
  double start_s = 0, end_s = 0;
  double rpm_drop = 0;   // below the level before it
  std::string taken_for; // "propeller", "throttle", "unsteady_rpm", "egt_fell", "no_egt_rise"
  std::string evidence;  // "MAP rose 1.4 in Hg as RPM fell"
  flight::Engine engine = flight::Engine::Only;
};

// The run-up's checks (as CheckMagnetos) and its other dips, in time order.
struct RunupReading {
  std::vector<MagCheck> checks;
  std::vector<RunupDip> others;
};
RunupReading ReadRunup(const flight::Flight& flight, const Limits& limits, std::span<const PhaseSpan> runups);
// Within the flight's run-up phases or, without any, the run-up FindRunup finds.
RunupReading ReadRunup(const flight::Flight& flight, const Limits& limits, const FlightPhases& phases);

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

// The checks as the digest keeps them for the findings.
std::vector<RunupCheck> RunupChecksOf(const std::vector<MagCheck>& checks);

// A flight's magneto checks in a word for the logbook: each engine's worst
// verdict ("normal", "plug E3", "magneto", "too coarse"; a twin's "L normal,
// R plug RE3"); "" without a check.
std::string MagCheckWord(const std::vector<RunupCheck>& checks);

// The checks as a table: each one's RPM drop, verdict and every EGT's rise;
// a line with the evidence of each verdict other than normal and one for each
// dip that was no check.
ResultSections MagCheckSections(const flight::Flight& f, const std::vector<MagCheck>& checks,
                                const std::vector<RunupDip>& others = {});

// `mag_checks` of analyze --json: [{start_s, end_s, rpm_drop, verdict, rises: [{channel, rise}], caution, rows,
// evidence, level_rpm, engine}], `engine` "left" or "right" on a twin, else null.
Json MagChecksJson(const std::vector<MagCheck>& checks);
// `runup_dips`: [{start_s, end_s, rpm_drop, taken_for, evidence, engine}].
Json RunupDipsJson(const std::vector<RunupDip>& dips);

}  // namespace varnix::analysis
