// SPDX-License-Identifier: MIT
// Percent power and the mixture of each cruise. Power is the recorded power
// channel when the flight has one; else an estimate with its method named:
// lean of peak, horsepower ~ fuel flow in GPH x (1.1604 x compression ratio
// + 5.03) over the rated horsepower (the fuel-flow rule pilots use lean of
// peak); rich of peak, percent ~ MAP / 29 inHg x RPM / 2700 against the
// rating at 2700 rpm and full throttle at sea level, an approximation good
// to about ten points for normally aspirated engines. `rated_hp` and
// `compression_ratio` come from the aircraft's limits file, 0 when unknown
// (the README lists the figures of common engines). A cruise is rich or
// lean of peak from the evidence: a leaning that carried its EGT over a
// peak, or how its EGT answered fuel-flow changes at steady RPM and MAP
// (rising as fuel is taken away rich of peak, falling lean of peak), or
// the last quick pull before or in it (quick_pull.h): the EGTs easing from
// their highest as the flow still fell, lean of peak; only rising and
// holding, rich of peak. Where the flight records percent power, a cruise
// burning no more than 0.65 of the takeoff's fuel flow per percent (full
// rich, 90 % power and more) is a second line of evidence: the takeoff burns
// about 0.6 lb per horsepower-hour, the peak EGT about 0.42 and only lean of
// peak less (so 0.65 of it is lean of peak whatever the engine). It names the
// mixture when nothing else did and makes it unknown when it contradicts a
// rich of peak.
#pragma once

#include <limits>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/flight_phases.h"
#include "analysis/limits.h"
#include "analysis/quick_pull.h"
#include "analysis/result_json.h"
#include "analysis/result_sections.h"
#include "flight/flight.h"

namespace varnix::analysis {

// Percent power of every row (NaN where it cannot be told) and how.
struct RowPower {
  std::vector<float> percent;
  std::string method;  // "recorded", "fuel_flow_lop", "rpm_map_rop"; "" when none
  std::string why;     // when `method` is "": "rated_hp unknown", "no RPM and MAP"...
};
// The recorded power when the flight has it, else the estimate for an
// engine run lean of peak (`leanOfPeak`) or rich of it.
RowPower PercentPower(const flight::Flight& flight, const Limits& limits, bool leanOfPeak);

enum class MixtureState { RichOfPeak, LeanOfPeak, Unknown };
// "rich_of_peak", "lean_of_peak", "unknown".
std::string_view MixtureStateName(MixtureState state);

struct MixtureSegment {
  double start_s = 0, end_s = 0;  // a cruise span
  MixtureState state = MixtureState::Unknown;
  std::string evidence;  // what showed it, with times and values in the flight's units
  bool pulled = false;   // a quick pull gave it: `pull` is that pull
  QuickPull pull;
  // The cruise's fuel flow per percent of recorded power against the
  // takeoff's (NaN when the flight has no percent power or no takeoff), and
  // what it says ("" when nothing).
  double flowShare = std::numeric_limits<double>::quiet_NaN();
  std::string powerEvidence;
};

struct CruisePower {
  bool judged = false;        // false: cruise_percent is null and `why` says why
  double cruise_percent = 0;  // the mean over every cruise row
  std::string method;         // as RowPower's
  std::string why;
};

struct PowerMixture {
  CruisePower power;
  std::vector<MixtureSegment> mixture;  // one per cruise span
};

// From the flight's phases as given (their cruise spans).
PowerMixture AnalysePowerMixture(const flight::Flight& flight, const Limits& limits, std::span<const PhaseSpan> phases);
// From FindPhases.
PowerMixture AnalysePowerMixture(const flight::Flight& flight, const Limits& limits);

// Power in cruise and the mixture of each cruise segment, as lines.
ResultSections PowerMixtureSections(const PowerMixture& result);

// `power` and `mixture` of analyze --json: {cruise_percent, method, why} (the figure and method null
// when not judged, `why` null when judged) and [{start_s, end_s, state, evidence, pull, flow_share,
// power_evidence}], `pull` {start_s, end_s, flow_from, flow_to, side, seen} or null.
Json PowerJson(const CruisePower& power);
Json MixtureJson(const std::vector<MixtureSegment>& segments);

}  // namespace varnix::analysis
