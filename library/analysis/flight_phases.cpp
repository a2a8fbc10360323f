// SPDX-License-Identifier: MIT
#include "analysis/flight_phases.h"

#include "analysis/limits.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>

#include "analysis/air_phases.h"
#include "analysis/result_sections.h"
#include "analysis/run_beside.h"
#include "analysis/smoothing.h"

namespace varnix::analysis {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The thresholds, on power and fuel flow smoothed over a minute and taken
// relative to the flight's highest (takeoff) levels unless said otherwise.
constexpr double kSmoothSeconds = 60;
constexpr double kRunningRpm = 300;        // an engine turning slower than this is stopped
constexpr double kRunningFlow = 0.5;       // fuel flow, without RPM
constexpr double kStopDwell = 10;          // seconds stopped before it is a shutdown
constexpr double kTakeoffLevel = 0.85;     // of the takeoff level, for 20 s
constexpr double kTakeoffRpm = 2000;       // and at least this fast
constexpr double kTakeoffDwell = 20;
constexpr double kTakeoffRaw = 0.5;        // the takeoff starts where the unsmoothed level passed this
constexpr double kTakeoffSeconds = 60;     // the takeoff is its first minute; then the climb
// The climb ends at the pilot's first lasting reduction of power or fuel flow
// (to under 92% of the climb's level, for two minutes), unless it left climb
// power (85% of the takeoff's, both) or the heads kept warming after it (the
// aircraft still climbing); a normally aspirated engine's climb also ends
// where the heads cool with MAP steady (at full throttle MAP falls as it climbs).
constexpr double kReduction = 0.92;
constexpr double kReductionDwell = 120;
constexpr double kClimbPower = 0.85;
constexpr double kStillWarming = 2.0;      // °F the heads rose in the minute before the reduction and from 30 s to 2 min after
constexpr double kLevelCooling = 4.0;      // °F the heads cooled from their peak with MAP steady
constexpr double kSteadyMap = 0.4;         // in Hg
constexpr double kTurboMap = 30.5;         // a takeoff above this MAP is turbocharged: MAP says nothing of the climb
constexpr double kLevelAfter = 120;        // the heads' level-off rule starts this long into the climb
constexpr double kClimbAgain = 0.85;       // a cruise turns into a climb above this,
constexpr double kPowerAdded = 1.1;        // the power added to it: at this share of the cruise's or more
constexpr double kClimbDwell = 60;
constexpr double kHeadsPeakWindow = 120;  // the climb ended where the heads stopped warming, up to 2 min before,
constexpr double kHeadsPeakDrop = 1.5;     // °F: when they have cooled this much before power came back
constexpr double kHeadsSmooth = 20;        // seconds the head temperature is smoothed over
constexpr double kDescentShare = 0.85;     // of the cruise's mean power and fuel flow, for a minute
constexpr double kDescentDwell = 60;
constexpr double kResumeShare = 0.9;       // a descent back at cruise levels for three minutes
constexpr double kResumeDwell = 180;
constexpr double kLandingRpm = 1500;       // on the ground below this (unsmoothed) for 30 s
constexpr double kLandingShare = 0.3;      // of the takeoff fuel flow (or power), without RPM
constexpr double kLandingDwell = 30;
constexpr double kRunupRpm = 1500;         // on the ground at least this fast for 10 s, before a takeoff
constexpr double kRunupShare = 0.3;        // of the takeoff level, without RPM
constexpr double kRunupDwell = 10;

enum class State { Off, Ground, Takeoff, Climb, Cruise, Descent };

// A condition that must hold for `dwell` seconds: where it began to hold.
struct Held {
  long since = -1;
  // True once the condition has held long enough; `since` is its first row.
  bool update(bool now, long row, const std::vector<double>& seconds, double dwell) {
    if (!now) {
      since = -1;
      return false;
    }
    if (since < 0) since = row;
    return seconds[static_cast<std::size_t>(row)] - seconds[static_cast<std::size_t>(since)] >= dwell;
  }
};

// A centred moving average over `window` seconds, skipping NaN.

// The flight's channels of one kind on `engine`.
std::vector<int> channelsOf(const flight::Flight& flight, flight::ChannelKind kind, flight::Engine engine) {
  std::vector<int> found;
  for (std::size_t c = 0; c < flight.channels.size(); ++c)
    if (flight.channels[c].kind == kind && flight.channels[c].engine == engine) found.push_back(static_cast<int>(c));
  return found;
}

double valueAt(const flight::Flight& flight, int channel, std::size_t row) {
  return channel < 0 ? kNaN : static_cast<double>(flight.columns[static_cast<std::size_t>(channel)][row]);
}

}  // namespace

flight::Engine PhaseEngine(const flight::Flight& flight) {
  // A twin whose left engine recorded no RPM (its columns empty, left out
  // by the reader) has its phases from the right one.
  bool left = false, right = false, leftRpm = false, rightRpm = false;
  for (const flight::Channel& c : flight.channels) {
    left = left || c.engine == flight::Engine::Left;
    right = right || c.engine == flight::Engine::Right;
    leftRpm = leftRpm || (c.engine == flight::Engine::Left && c.kind == flight::ChannelKind::Rpm);
    rightRpm = rightRpm || (c.engine == flight::Engine::Right && c.kind == flight::ChannelKind::Rpm);
  }
  if (left && (leftRpm || !rightRpm)) return flight::Engine::Left;
  return right ? flight::Engine::Right : flight::Engine::Only;
}

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

std::vector<PhaseFigures> PhaseFiguresOf(const flight::Flight& flight, std::span<const PhaseSpan> spans) {
  const flight::Engine engine = PhaseEngine(flight);
  const std::vector<int> egts = channelsOf(flight, flight::ChannelKind::Egt, engine);
  const std::vector<int> chts = channelsOf(flight, flight::ChannelKind::Cht, engine);
  const std::vector<int> flows = channelsOf(flight, flight::ChannelKind::FuelFlow, engine);
  const std::vector<int> powers = channelsOf(flight, flight::ChannelKind::PowerPercent, engine);
  const int flow = flows.empty() ? -1 : flows.front();
  const int power = powers.empty() ? -1 : powers.front();
  const std::size_t n = flight.rows();
  std::vector<PhaseFigures> figures;
  figures.reserve(spans.size());
  for (const PhaseSpan& s : spans) {
    PhaseFigures f{s.phase, s.start, s.end, flow < 0 ? kNaN : 0.0, kNaN, kNaN, kNaN};
    double egtSum = 0, powerSum = 0;
    long egtRows = 0, powerRows = 0;
    // A span holds its rows from its start to before its end (the next span's
    // first row), and the flight's last row; a row's fuel flow lasts until the next row.
    std::size_t r = n ? flight.rowAt(s.start) : n;
    if (r < n && flight.seconds[r] < s.start) ++r;
    for (; r < n && (flight.seconds[r] < s.end || r + 1 == n); ++r) {
      if (const double ff = valueAt(flight, flow, r); r + 1 < n && !std::isnan(ff) && ff > 0)
        f.fuel += ff * (flight.seconds[r + 1] - flight.seconds[r]) / 3600.0;
      for (int c : chts)
        if (const double v = valueAt(flight, c, r); !std::isnan(v) && !(v <= f.max_cht)) f.max_cht = v;
      double rowSum = 0;
      int rowCount = 0;
      for (int c : egts)
        if (const double v = valueAt(flight, c, r); !std::isnan(v)) rowSum += v, ++rowCount;
      if (rowCount) egtSum += rowSum / rowCount, ++egtRows;
      if (const double v = valueAt(flight, power, r); !std::isnan(v)) powerSum += v, ++powerRows;
    }
    if (egtRows) f.mean_egt = egtSum / static_cast<double>(egtRows);
    if (powerRows) f.mean_power = powerSum / static_cast<double>(powerRows);
    figures.push_back(f);
  }
  return figures;
}

FlightPhases FindPhases(const flight::Flight& flight) {
  FlightPhases result = FindPhaseSpans(flight);
  result.figures = PhaseFiguresOf(flight, result.spans);
  return result;
}

FlightPhases FindPhaseSpans(const flight::Flight& flight) {
  FlightPhases result = FindEnginePhases(flight);
  ApplyAirData(flight, result);
  return result;
}

FlightPhases FindEnginePhases(const flight::Flight& flight) {
  FlightPhases result;
  const std::size_t n = flight.rows();
  const flight::Engine engine = PhaseEngine(flight);
  auto first = [&](flight::ChannelKind kind) {
    const std::vector<int> found = channelsOf(flight, kind, engine);
    return found.empty() ? -1 : found.front();
  };
  const int rpm = first(flight::ChannelKind::Rpm), map = first(flight::ChannelKind::Map), flow = first(flight::ChannelKind::FuelFlow),
            percent = first(flight::ChannelKind::PowerPercent);
  // Power from the best the flight has: RPM x MAP, the recorded percent,
  // RPM alone (a fixed-pitch propeller's power goes with RPM cubed), and
  // without any of them fuel flow alone.
  result.basis = rpm >= 0 && map >= 0 ? "rpm_map" : percent >= 0 ? "power_percent" : rpm >= 0 ? "rpm"
                 : flow >= 0                                     ? "fuel_flow"
                                                                 : "";
  if (result.basis.empty()) {
    result.why = "no RPM, MAP, power or fuel flow channel";
    return result;
  }
  if (n < 2) {
    result.why = "too few rows";
    return result;
  }
  const bool flowOnly = result.basis == "fuel_flow";
  const bool both = !flowOnly && flow >= 0;
  const int basis = result.basis == "rpm_map" ? 0 : result.basis == "power_percent" ? 1 : result.basis == "rpm" ? 2 : 3;
  // The power and fuel flow, smoothed, and the heads (on a long flight
  // beside them: they share nothing).
  std::vector<float> power(n), fuel(n, static_cast<float>(kNaN)), manifold(n, static_cast<float>(kNaN)), ps, fs, ms;
  auto powerAndFuel = [&] {
    for (std::size_t r = 0; r < n; ++r) {
      const double rv = valueAt(flight, rpm, r);
      power[r] = static_cast<float>(basis == 0 ? rv * valueAt(flight, map, r)
                                    : basis == 1 ? valueAt(flight, percent, r)
                                    : basis == 2 ? std::pow(rv / 2700.0, 3)
                                                 : valueAt(flight, flow, r));
      if (both) fuel[r] = static_cast<float>(valueAt(flight, flow, r));
      manifold[r] = static_cast<float>(valueAt(flight, map, r));
    }
    ps = Smoothed(power, flight.seconds, kSmoothSeconds);
    ms = Smoothed(manifold, flight.seconds, kSmoothSeconds);
    if (both) fs = Smoothed(fuel, flight.seconds, kSmoothSeconds);
  };
  // The mean head temperature: it rises through a climb and turns when the
  // aircraft levels off and gathers speed, often a while before the pilot
  // sets cruise power and leans.
  std::vector<float> heads;
  auto meanHeads = [&] {
    const std::vector<int> chts = channelsOf(flight, flight::ChannelKind::Cht, engine);
    if (chts.empty()) return;
    heads.assign(n, static_cast<float>(kNaN));
    for (std::size_t r = 0; r < n; ++r) {
      double sum = 0;
      int count = 0;
      for (int c : chts)
        if (const double v = valueAt(flight, c, r); !std::isnan(v)) sum += v, ++count;
      if (count) heads[r] = static_cast<float>(sum / count);
    }
    heads = Smoothed(heads, flight.seconds, kHeadsSmooth);
  };
  RunBeside(n >= kParallelRows, meanHeads, powerAndFuel);
  // Where the climb ended: the peak of the heads before the power or fuel
  // flow came back at `step`, when they cooled since; else `since`.
  auto climbEnd = [&](long since, long step, long floor) {
    if (heads.empty()) return since;
    const auto at = [&](long i) { return flight.seconds[static_cast<std::size_t>(i)]; };
    long check = step;  // the last row whose smoothed heads know nothing of the step
    while (check > floor && at(step) - at(check) < kHeadsSmooth / 2) --check;
    long best = check;
    for (long i = check; i > floor && at(check) - at(i) <= kHeadsPeakWindow; --i)
      if (heads[static_cast<std::size_t>(i)] > heads[static_cast<std::size_t>(best)]) best = i;
    const double drop = heads[static_cast<std::size_t>(best)] - heads[static_cast<std::size_t>(check)];
    return drop >= FahrenheitSpanToUnit(kHeadsPeakDrop, EngineUnit(flight.facts)) ? std::min(best, since) : since;
  };
  auto running = [&](std::size_t r) {
    if (rpm >= 0) return valueAt(flight, rpm, r) > kRunningRpm;
    if (flow >= 0) return valueAt(flight, flow, r) > kRunningFlow;
    return power[r] > 0;
  };
  double pMax = 0, fMax = 0;
  for (std::size_t r = 0; r < n; ++r)
    if (running(r)) {
      if (ps[r] > pMax) pMax = ps[r];
      if (both && fs[r] > fMax) fMax = fs[r];
    }
  if (!(pMax > 0) || (both && !(fMax > 0))) {
    result.why = "the engine never runs";
    // A flight whose engine never turns has no phases and no events.
    result.basis.clear();
    return result;
  }
  // The climb level: power and fuel flow against their takeoff highs together.
  auto level = [&](double p, double f) {
    if (!both) return p / pMax;
    return std::sqrt(std::max(0.0, p / pMax) * std::max(0.0, f / fMax));
  };
  // A turbocharged engine holds its MAP through the climb.
  double mapMax = 0;
  for (std::size_t r = 0; r < n; ++r)
    if (running(r) && ms[r] > mapMax) mapMax = ms[r];
  const bool aspirated = map >= 0 && mapMax > 0 && mapMax <= kTurboMap;

  struct Mark {
    State state;
    long row;
  };
  std::vector<Mark> marks;
  State state = State::Off;
  auto enter = [&](State s, long row) {
    row = std::max(row, marks.empty() ? 0L : marks.back().row);
    if (!marks.empty() && marks.back().row == row) marks.pop_back();
    marks.push_back({s, row});
    state = s;
  };
  Held stopped, takeoff, belowClimb, aboveClimb, descent, resume, landing;
  double cruiseP = 0, cruiseF = 0;
  long cruiseRows = 0;
  double climbP = 0, climbF = 0;   // the climb's level since its start or its last reduction
  long headsPeak = -1;             // the row of the heads' peak in the climb
  long lowAt = -1, lastTakeoff = -1;  // the last row at idle power; the last takeoff's first row
  for (long i = 0; i < static_cast<long>(n); ++i) {
    const std::size_t r = static_cast<std::size_t>(i);
    const double t = flight.seconds[r];
    const bool on = running(r);
    if (state == State::Off) {
      if (on) {
        enter(State::Ground, i);
        result.events.push_back({FlightEventKind::EngineStart, t});
        stopped = takeoff = landing = Held{};
      }
      continue;
    }
    if (stopped.update(!on, i, flight.seconds, kStopDwell)) {
      result.events.push_back({FlightEventKind::Shutdown, flight.seconds[static_cast<std::size_t>(stopped.since)]});
      enter(State::Off, stopped.since);
      continue;
    }
    const double c = level(ps[r], both ? fs[r] : 0);
    const double rv = valueAt(flight, rpm, r);
    const bool takeoffPower = c >= kTakeoffLevel && (rpm < 0 || rv >= kTakeoffRpm);
    const bool idle = rpm >= 0 ? rv < kLandingRpm
                               : (both ? fuel[r] / fMax : power[r] / pMax) < kLandingShare;
    if (idle) lowAt = i;
    const bool landed = state != State::Ground && landing.update(idle, i, flight.seconds, kLandingDwell);
    if (landed) {
      enter(State::Ground, landing.since);
      takeoff = Held{};
      continue;
    }
    auto startTakeoff = [&] {
      // Back to where the power went up, from the unsmoothed values.
      long from = takeoff.since;
      const long floor = marks.back().row;
      while (from > floor) {
        const std::size_t p = static_cast<std::size_t>(from - 1);
        if (!(level(power[p], both ? fuel[p] : 0) >= kTakeoffRaw)) break;
        --from;
      }
      enter(State::Takeoff, from);
      lastTakeoff = from;
      takeoff = belowClimb = landing = Held{};
    };
    // The cruise from `from` (found a while after it began): its levels from then on.
    auto startCruise = [&](long from) {
      enter(State::Cruise, from);
      cruiseP = cruiseF = 0;
      cruiseRows = 0;
      for (long k = marks.back().row; k < i; ++k) {
        const std::size_t x = static_cast<std::size_t>(k);
        if (std::isnan(ps[x]) || (both && std::isnan(fs[x]))) continue;
        cruiseP += ps[x];
        cruiseF += both ? fs[x] : 0;
        ++cruiseRows;
      }
      descent = aboveClimb = takeoff = Held{};
    };
    // Takeoff power again after an idle run (a touch-and-go whose idle was too
    // short for a landing) is another takeoff.
    auto againAfterIdle = [&] {
      return lowAt > lastTakeoff && takeoff.update(takeoffPower, i, flight.seconds, kTakeoffDwell);
    };
    switch (state) {
      case State::Off: break;
      case State::Ground:
        if (takeoff.update(takeoffPower, i, flight.seconds, kTakeoffDwell)) startTakeoff();
        break;
      case State::Takeoff:
        if (t - flight.seconds[static_cast<std::size_t>(marks.back().row)] >= kTakeoffSeconds) {
          enter(State::Climb, i);
          belowClimb = Held{};
          climbP = ps[r];
          climbF = both ? fs[r] : 0;
          headsPeak = -1;
        }
        break;
      case State::Climb: {
        if (againAfterIdle()) {
          startTakeoff();
          break;
        }
        climbP = std::max(climbP, static_cast<double>(ps[r]));
        if (both) climbF = std::max(climbF, static_cast<double>(fs[r]));
        const bool reduced = ps[r] < kReduction * climbP || (both && fs[r] < kReduction * climbF);
        const long floor = marks.back().row;
        if (!heads.empty() && !std::isnan(heads[r]) &&
            (headsPeak < 0 || !(heads[r] <= heads[static_cast<std::size_t>(headsPeak)])))
          headsPeak = i;
        // Level at full throttle: the heads cool from their peak, MAP steady.
        if (aspirated && !reduced && headsPeak >= 0 &&
            flight.seconds[static_cast<std::size_t>(headsPeak)] - flight.seconds[static_cast<std::size_t>(floor)] >= kLevelAfter &&
            heads[static_cast<std::size_t>(headsPeak)] - heads[r] >=
                FahrenheitSpanToUnit(kLevelCooling, EngineUnit(flight.facts)) &&
            std::fabs(ms[r] - ms[static_cast<std::size_t>(headsPeak)]) <= kSteadyMap) {
          startCruise(headsPeak);
          break;
        }
        if (!belowClimb.update(reduced, i, flight.seconds, kReductionDwell)) break;
        const long since = belowClimb.since;
        // The row where the unsmoothed level dropped, before or after `since`.
        const auto high = [&](long row) {
          const std::size_t x = static_cast<std::size_t>(row);
          return power[x] >= kReduction * climbP && (!both || fuel[x] >= kReduction * climbF);
        };
        long step = since;
        while (step > floor && !high(step - 1)) --step;
        while (step < i && high(step)) ++step;
        const bool climbPower = ps[r] >= kClimbPower * pMax && (!both || fs[r] >= kClimbPower * fMax);
        // Heads that were warming before the reduction and still warm after
        // it: the aircraft is still climbing (a hot cruise after a cool climb
        // warms them only after it).
        bool warming = false;
        if (!heads.empty()) {
          const double stepAt = flight.seconds[static_cast<std::size_t>(step)];
          const std::size_t before = flight.rowAt(stepAt - 60), after = flight.rowAt(stepAt + 30);
          const double rise = FahrenheitSpanToUnit(kStillWarming, EngineUnit(flight.facts));
          warming = heads[static_cast<std::size_t>(step)] - heads[before] >= rise && heads[r] - heads[after] >= rise;
        }
        if (climbPower || warming) {
          // A climb-power setting: the climb goes on at the new level.
          climbP = ps[r];
          climbF = both ? fs[r] : 0;
          belowClimb = Held{};
          break;
        }
        startCruise(climbEnd(since, step, floor));
        break;
      }
      case State::Cruise: {
        if (!std::isnan(ps[r]) && (!both || !std::isnan(fs[r]))) {
          cruiseP += ps[r];
          cruiseF += both ? fs[r] : 0;
          ++cruiseRows;
        }
        const double meanP = cruiseRows ? cruiseP / static_cast<double>(cruiseRows) : ps[r];
        const double meanF = cruiseRows ? cruiseF / static_cast<double>(cruiseRows) : 0;
        const bool lower = ps[r] < kDescentShare * meanP && (!both || fs[r] < kDescentShare * meanF);
        if (againAfterIdle()) {
          startTakeoff();
        } else if (descent.update(lower, i, flight.seconds, kDescentDwell)) {
          enter(State::Descent, descent.since);
          resume = takeoff = Held{};
        } else if (aboveClimb.update(c >= kClimbAgain && ps[r] >= kPowerAdded * meanP, i, flight.seconds, kClimbDwell)) {
          enter(State::Climb, aboveClimb.since);
          belowClimb = Held{};
          climbP = ps[r];
          climbF = both ? fs[r] : 0;
          headsPeak = -1;
        }
        break;
      }
      case State::Descent: {
        const double meanP = cruiseRows ? cruiseP / static_cast<double>(cruiseRows) : pMax;
        const double meanF = cruiseRows ? cruiseF / static_cast<double>(cruiseRows) : fMax;
        const bool back = ps[r] >= kResumeShare * meanP && (!both || fs[r] >= kResumeShare * meanF);
        if (takeoff.update(takeoffPower, i, flight.seconds, kTakeoffDwell)) {
          startTakeoff();  // a touch-and-go or a go-around
        } else if (resume.update(back, i, flight.seconds, kResumeDwell)) {
          enter(State::Cruise, resume.since);
          descent = aboveClimb = Held{};
        }
        break;
      }
    }
  }
  // A recording that stops with the engine idling on the ground stopped at
  // the shutdown: monitors record while they have power.
  if (state == State::Ground) result.events.push_back({FlightEventKind::Shutdown, flight.seconds[n - 1]});

  for (std::size_t m = 0; m < marks.size(); ++m) {
    if (marks[m].state == State::Off) continue;
    const double start = flight.seconds[static_cast<std::size_t>(marks[m].row)];
    const double end = m + 1 < marks.size() ? flight.seconds[static_cast<std::size_t>(marks[m + 1].row)]
                                            : flight.seconds[n - 1];
    const Phase phase = marks[m].state == State::Ground    ? Phase::Ground
                        : marks[m].state == State::Takeoff ? Phase::Takeoff
                        : marks[m].state == State::Climb   ? Phase::Climb
                        : marks[m].state == State::Cruise  ? Phase::Cruise
                                                           : Phase::Descent;
    const bool beforeTakeoff = m + 1 < marks.size() && marks[m + 1].state == State::Takeoff;
    if (phase != Phase::Ground || !beforeTakeoff) {
      if (end > start || phase != Phase::Ground) result.spans.push_back({phase, start, end});
      continue;
    }
    // The run-up: on the ground before a takeoff at run-up RPM for a while.
    double at = start;
    Held runup;
    const long from = marks[m].row, to = marks[m + 1].row;
    for (long i = from; i <= to; ++i) {
      const std::size_t r = static_cast<std::size_t>(i);
      const bool high = i < to && (rpm >= 0 ? valueAt(flight, rpm, r) >= kRunupRpm : power[r] / pMax >= kRunupShare);
      const long since = runup.since;
      if (!runup.update(high, i, flight.seconds, 0) && since >= 0 &&
          flight.seconds[r] - flight.seconds[static_cast<std::size_t>(since)] >= kRunupDwell) {
        const double s = flight.seconds[static_cast<std::size_t>(since)];
        if (s > at) result.spans.push_back({Phase::Ground, at, s});
        result.spans.push_back({Phase::Runup, s, flight.seconds[r]});
        at = flight.seconds[r];
      }
    }
    if (end > at) result.spans.push_back({Phase::Ground, at, end});
  }
  return result;
}

bool RowsWithin(const flight::Flight& flight, double start, double end, std::size_t* first, std::size_t* last) {
  const auto& t = flight.seconds;
  const auto lo = std::lower_bound(t.begin(), t.end(), start);
  const auto hi = std::upper_bound(t.begin(), t.end(), end);
  if (lo >= hi) return false;
  *first = static_cast<std::size_t>(lo - t.begin());
  *last = static_cast<std::size_t>(hi - t.begin()) - 1;
  return true;
}

ResultSections PhaseSections(const flight::Flight& f, const FlightPhases& p) {
  const std::string degrees(flight::UnitText(EngineUnit(f.facts)));
  const std::string fuel(flight::UnitText(flight::FuelAmountUnit(f.channels)));
  ResultSection s;
  s.title = "Phases";
  s.columns = {{"Phase", ""},   {"From", ""},         {"To", ""},           {"Duration", ""},
               {"Fuel", fuel}, {"Max CHT", degrees}, {"Mean EGT", degrees}, {"Mean power", "%"}};
  s.tableAlways = true;
  s.rowShowsSpan = true;
  if (p.figures.empty()) s.empty = "None found: " + p.why;
  for (const PhaseFigures& x : p.figures)
    s.rows.push_back({{ResultCell::PhaseName(x.phase), ResultCell::Time(x.start_s), ResultCell::Time(x.end_s),
                       ResultCell::Duration(x.end_s - x.start_s), ResultCell::Value(x.fuel, 1, fuel),
                       ResultCell::Value(x.max_cht, 0, degrees), ResultCell::Value(x.mean_egt, 0, degrees),
                       ResultCell::Value(x.mean_power, 0, "%")},
                      x.start_s, x.end_s, x.start_s});
  return {s};
}

Json PhasesJson(const FlightPhases& p) {
  Json list = Json::array();
  for (const PhaseFigures& f : p.figures)
    list.push_back(Json::object({{"phase", PhaseName(f.phase)},
                                 {"start_s", JsonValue(f.start_s)},
                                 {"end_s", JsonValue(f.end_s)},
                                 {"fuel", JsonValue(f.fuel)},
                                 {"max_cht", JsonValue(f.max_cht)},
                                 {"mean_egt", JsonValue(f.mean_egt)},
                                 {"mean_power", JsonValue(f.mean_power)}}));
  return list;
}

Json EventsJson(const FlightPhases& p) {
  Json list = Json::array();
  for (const FlightEvent& e : p.events)
    list.push_back(Json::object({{"kind", EventName(e.kind)}, {"at_s", JsonValue(e.at)}}));
  return list;
}

}  // namespace varnix::analysis
