// SPDX-License-Identifier: MIT
#include "analysis/air_phases.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "analysis/smoothing.h"

namespace varnix::analysis {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

constexpr double kAirborneKt = 50;      // IAS at or above this for 10 s: flying
constexpr double kAirborneDwell = 10;
constexpr double kTouchdownKt = 45;     // under this for 10 s: on the ground again
constexpr double kTouchdownDwell = 10;
constexpr double kRollKt = 15;          // the takeoff roll: IAS alive before the lift-off,
constexpr double kRollRpm = 2000;       // or the engine at takeoff RPM,
constexpr double kRollSeconds = 120;    // back at most this long
constexpr double kInitialClimb = 30;    // the takeoff span ends this long after the lift-off
constexpr double kClimbFpm = 200;       // the altitude changing faster than this is a climb or a descent,
constexpr double kAltitudeSlope = 90;   // over this many seconds;
constexpr double kVsFpm = 300;          // without altitude, a vertical speed beyond this,
constexpr double kVsSmooth = 30;        // smoothed over this many seconds
constexpr double kBlipSeconds = 45;     // a climb or descent shorter than this is turbulence
constexpr double kCruiseSeconds = 180;  // level flight lasting this long is a cruise; shorter, a step of the climb or descent

// The channel of `kind` of the lowest sensor number (IAS before TAS, the
// indicated altitude before MSL and GPS); -1 without.
int airChannel(const flight::Flight& f, flight::ChannelKind kind) {
  int best = -1;
  for (std::size_t c = 0; c < f.channels.size(); ++c)
    if (f.channels[c].kind == kind && (best < 0 || f.channels[c].sensor < f.channels[static_cast<std::size_t>(best)].sensor))
      best = static_cast<int>(c);
  return best;
}

double at(const flight::Flight& f, int channel, std::size_t row) {
  return channel < 0 ? kNaN : static_cast<double>(f.columns[static_cast<std::size_t>(channel)][row]);
}

bool anyAbove(const flight::Flight& f, int channel, double level) {
  if (channel < 0) return false;
  for (float v : f.column(static_cast<std::size_t>(channel)))
    if (v >= level) return true;
  return false;
}

bool anyValue(const flight::Flight& f, int channel) {
  if (channel < 0) return false;
  for (float v : f.column(static_cast<std::size_t>(channel)))
    if (!std::isnan(v)) return true;
  return false;
}

struct Airborne {
  double roll, liftoff, touchdown;
};

// Lift-offs and touchdowns from the airspeed.
std::vector<Airborne> fromAirspeed(const flight::Flight& f, int ias, int rpm) {
  std::vector<Airborne> found;
  const std::size_t n = f.rows();
  bool flying = false;
  long since = -1;
  for (std::size_t r = 0; r < n; ++r) {
    const double v = at(f, ias, r);
    const bool change = flying ? !(v >= kTouchdownKt) : v >= kAirborneKt;
    if (!change) {
      since = -1;
      continue;
    }
    if (since < 0) since = static_cast<long>(r);
    const double held = f.seconds[r] - f.seconds[static_cast<std::size_t>(since)];
    if (held < (flying ? kTouchdownDwell : kAirborneDwell)) continue;
    const std::size_t from = static_cast<std::size_t>(since);
    if (!flying) {
      // Back from the lift-off to where the roll began.
      std::size_t roll = from;
      while (roll > 0 && f.seconds[from] - f.seconds[roll - 1] <= kRollSeconds &&
             (at(f, ias, roll - 1) >= kRollKt || at(f, rpm, roll - 1) >= kRollRpm))
        --roll;
      found.push_back({f.seconds[roll], f.seconds[from], f.seconds[n - 1]});
    } else {
      found.back().touchdown = f.seconds[from];
    }
    flying = !flying;
    since = -1;
  }
  return found;
}

// Without an airspeed: the engine's takeoffs and landings.
std::vector<Airborne> fromEngine(const FlightPhases& engine) {
  std::vector<Airborne> found;
  for (std::size_t i = 0; i < engine.spans.size(); ++i) {
    const PhaseSpan& s = engine.spans[i];
    if (s.phase != Phase::Takeoff) continue;
    double end = engine.spans.back().end;
    for (std::size_t j = i + 1; j < engine.spans.size(); ++j)
      if (engine.spans[j].phase == Phase::Ground || engine.spans[j].phase == Phase::Takeoff ||
          engine.spans[j].start > engine.spans[j - 1].end) {
        end = engine.spans[j].phase == Phase::Takeoff ? engine.spans[j].start : engine.spans[j - 1].end;
        break;
      }
    found.push_back({s.start, s.start, end});
  }
  return found;
}

// The vertical speed in feet per minute, from the altitude's change over a
// minute and a half (a lasting change, not the VS needle's swings), else the
// VS column smoothed; `*level` the speed under which the aircraft is level.
std::vector<float> verticalSpeed(const flight::Flight& f, int vs, int alt, double* level) {
  const std::size_t n = f.rows();
  std::vector<float> raw(n, static_cast<float>(kNaN));
  *level = kClimbFpm;
  if (!anyValue(f, alt)) {
    *level = kVsFpm;
    for (std::size_t r = 0; r < n; ++r) raw[r] = static_cast<float>(at(f, vs, r));
    return Smoothed(raw, f.seconds, kVsSmooth);
  }
  {
    std::size_t lo = 0, hi = 0;
    for (std::size_t r = 0; r < n; ++r) {
      while (f.seconds[lo] < f.seconds[r] - kAltitudeSlope / 2) ++lo;
      while (hi + 1 < n && f.seconds[hi + 1] <= f.seconds[r] + kAltitudeSlope / 2) ++hi;
      const double dt = f.seconds[hi] - f.seconds[lo];
      if (dt > 0) raw[r] = static_cast<float>((at(f, alt, hi) - at(f, alt, lo)) / dt * 60.0);
    }
  }
  return raw;
}

struct Run {
  int sense;  // +1 climbing, 0 level, -1 descending
  double start, end;
};

// Merges neighbours of one sense.
void mergeRuns(std::vector<Run>& runs) {
  std::vector<Run> merged;
  for (const Run& r : runs) {
    if (!merged.empty() && merged.back().sense == r.sense)
      merged.back().end = r.end;
    else
      merged.push_back(r);
  }
  runs = std::move(merged);
}

// The climbs, cruises and descents between the end of the takeoff and the touchdown.
std::vector<PhaseSpan> airborneSpans(const flight::Flight& f, const std::vector<float>& vsf, double level, double from,
                                     double to) {
  std::vector<Run> runs;
  for (std::size_t r = 0; r < f.rows(); ++r) {
    const double t = f.seconds[r];
    if (t < from || t >= to) continue;
    const float v = vsf[r];
    const int sense = std::isnan(v) ? (runs.empty() ? 0 : runs.back().sense) : v > level ? 1 : v < -level ? -1 : 0;
    if (!runs.empty() && runs.back().sense == sense) {
      runs.back().end = t;
    } else {
      if (!runs.empty()) runs.back().end = t;
      runs.push_back({sense, t, t});
    }
  }
  if (runs.empty()) return {};
  runs.back().end = to;
  runs.front().start = from;
  // A short climb or descent in level flight is turbulence; then a short
  // level-off is a step of the climb or descent around it.
  for (std::size_t i = 0; i < runs.size(); ++i)
    if (runs[i].sense != 0 && runs[i].end - runs[i].start < kBlipSeconds && runs.size() > 1)
      runs[i].sense = i > 0 ? runs[i - 1].sense : runs[i + 1].sense;
  mergeRuns(runs);
  for (std::size_t i = 0; i < runs.size(); ++i)
    if (runs[i].sense == 0 && runs[i].end - runs[i].start < kCruiseSeconds && runs.size() > 1)
      runs[i].sense = i > 0 ? runs[i - 1].sense : runs[i + 1].sense;
  mergeRuns(runs);
  std::vector<PhaseSpan> spans;
  for (const Run& r : runs)
    spans.push_back({r.sense > 0 ? Phase::Climb : r.sense < 0 ? Phase::Descent : Phase::Cruise, r.start, r.end});
  return spans;
}

}  // namespace

bool ApplyAirData(const flight::Flight& f, FlightPhases& engine) {
  if (f.rows() < 2 || engine.basis.empty()) return false;
  const int ias = airChannel(f, flight::ChannelKind::Airspeed);
  const int vs = airChannel(f, flight::ChannelKind::VerticalSpeed);
  const int alt = airChannel(f, flight::ChannelKind::Altitude);
  const int rpm = flight::FindChannel(f.channels, flight::ChannelKind::Rpm, PhaseEngine(f));
  const bool airspeed = anyAbove(f, ias, kAirborneKt);
  if (!airspeed && !anyValue(f, vs) && !anyValue(f, alt)) return false;
  const std::vector<Airborne> flights = airspeed ? fromAirspeed(f, ias, rpm) : fromEngine(engine);
  double level = kClimbFpm;
  const std::vector<float> vsf = verticalSpeed(f, vs, alt, &level);

  std::vector<PhaseSpan> air;
  for (const Airborne& a : flights) {
    const double takeoffEnd = std::min(a.touchdown, std::max(a.liftoff + kInitialClimb, a.roll + kInitialClimb));
    air.push_back({Phase::Takeoff, a.roll, takeoffEnd});
    for (const PhaseSpan& s : airborneSpans(f, vsf, level, takeoffEnd, a.touchdown)) air.push_back(s);
  }
  // The engine's spans outside the airborne ones, where it ran: on the
  // ground, a run-up kept as one.
  std::vector<PhaseSpan> spans;
  for (const PhaseSpan& s : engine.spans) {
    double start = s.start;
    const Phase phase = s.phase == Phase::Runup ? Phase::Runup : Phase::Ground;
    for (const Airborne& a : flights) {
      if (a.touchdown <= start || a.roll >= s.end) continue;
      if (a.roll > start) spans.push_back({phase, start, a.roll});
      start = std::max(start, a.touchdown);
    }
    if (s.end > start || (s.end == start && s.start == s.end)) spans.push_back({phase, start, s.end});
  }
  for (const PhaseSpan& s : air) spans.push_back(s);
  std::stable_sort(spans.begin(), spans.end(), [](const PhaseSpan& a, const PhaseSpan& b) { return a.start < b.start; });
  std::vector<PhaseSpan> joined;
  for (const PhaseSpan& s : spans) {
    if (!joined.empty() && joined.back().phase == s.phase && joined.back().end == s.start && s.phase == Phase::Ground)
      joined.back().end = s.end;
    else
      joined.push_back(s);
  }
  engine.spans = std::move(joined);
  engine.basis = airspeed ? "airspeed" : "altitude";
  return true;
}

}  // namespace varnix::analysis
