// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoder/flight_profile.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace varnix::sim::encode {

namespace {

// What a channel measures, so that one engine model feeds every layout.
enum class Quantity { Egt, Cht, Tit, Oil, OilP, Oat, Cdt, Iat, Bat, Bat2, Amps, Ff, Usd, Rpm, Map, Hp, Fp, FuelL, FuelR, Mark, Cld };

struct Slot {
  Quantity what;
  int cylinder;  // 0-based for Egt, Cht and Tit
  int engine;    // 0 left or only engine, 1 right engine
  int group, bit, highGroup = -1, highBit = 0;
  int presence;  // presence bit (0-31) or 32-35 for the extended flags; -1 always there
  int initial = 240;
};

std::vector<Slot> slotsFor(const ProfileOptions& o) {
  std::vector<Slot> s;
  const int cyl = std::clamp(o.allChannels ? 9 : o.cylinders, 1, o.layout == ProfileLayout::Twin ? 6 : 9);
  if (o.layout == ProfileLayout::Twin) {
    for (int e = 0; e < 2; ++e) {
      const int g = e ? 3 : 0, cg = e ? 4 : 1, hg = e ? 7 : 6;
      for (int c = 0; c < cyl; ++c) s.push_back({Quantity::Egt, c, e, g, c, hg, c, 2 + c});
      for (int c = 0; c < cyl; ++c) s.push_back({Quantity::Cht, c, e, cg, c, -1, 0, 11 + c});
      s.push_back({Quantity::Tit, 0, e, g, 6, hg, 6, 21});
      s.push_back({Quantity::Oil, 0, e, cg, 7, -1, 0, 20});
      s.push_back({Quantity::Cld, 0, e, cg, 6, -1, 0, -1});
      s.push_back({Quantity::Cdt, 0, e, e ? 5 : 2, e ? 5 : 2, -1, 0, 23});
      s.push_back({Quantity::Ff, 0, e, e ? 5 : 2, 7, -1, 0, 27});
      s.push_back({Quantity::Usd, 0, e, e ? 5 : 2, 6, -1, 0, 27});
    }
    s.push_back({Quantity::Oat, 0, 0, 2, 5, -1, 0, 25});
    s.push_back({Quantity::Bat, 0, 0, 2, 4, -1, 0, 0});
    s.push_back({Quantity::Mark, 0, 0, 2, 0, -1, 0, -1});
    return s;
  }
  const bool ext = o.layout == ProfileLayout::Extended;
  for (int c = 0; c < cyl; ++c)
    s.push_back({Quantity::Egt, c, 0, c < 6 ? 0 : 3, c < 6 ? c : c - 6, c < 6 ? 6 : 7, c < 6 ? c : c - 6, 2 + c});
  for (int c = 0; c < cyl; ++c) s.push_back({Quantity::Cht, c, 0, c < 6 ? 1 : 3, c < 6 ? c : c - 3, -1, 0, 11 + c});
  s.push_back({Quantity::Tit, 0, 0, 0, 6, 6, 6, 21});
  if (o.allChannels) s.push_back({Quantity::Tit, 1, 0, 0, 7, 6, 7, 22});
  s.push_back({Quantity::Oil, 0, 0, 1, 7, -1, 0, 20});
  s.push_back({Quantity::Cld, 0, 0, 1, 6, -1, 0, -1});
  s.push_back({Quantity::OilP, 0, 0, 2, 1, -1, 0, 29});
  s.push_back({Quantity::Oat, 0, 0, 2, 5, -1, 0, 25});
  if (o.allChannels || ext) {
    s.push_back({Quantity::Cdt, 0, 0, 2, 2, -1, 0, 23});
    s.push_back({Quantity::Iat, 0, 0, 2, 3, -1, 0, 24});
  }
  s.push_back({Quantity::Bat, 0, 0, 2, 4, -1, 0, 0});
  s.push_back({Quantity::Usd, 0, 0, 2, 6, -1, 0, 27});
  s.push_back({Quantity::Ff, 0, 0, 2, 7, -1, 0, 27});
  s.push_back({Quantity::Hp, 0, 0, 3, 6, -1, 0, 26, 0});
  s.push_back({Quantity::Map, 0, 0, 5, 0, -1, 0, 30});
  s.push_back({Quantity::Rpm, 0, 0, 5, 1, 5, 2, 26});
  s.push_back({Quantity::Mark, 0, 0, 2, 0, -1, 0, -1});
  if (ext) {
    s.push_back({Quantity::Amps, 0, 0, 8, 0, -1, 0, 1});
    s.push_back({Quantity::Bat2, 0, 0, 8, 1, -1, 0, 32});
    s.push_back({Quantity::Amps, 1, 0, 8, 2, -1, 0, 33});
    s.push_back({Quantity::FuelR, 0, 0, 8, 3, -1, 0, 34});
    s.push_back({Quantity::FuelL, 0, 0, 8, 4, -1, 0, 35});
    s.push_back({Quantity::Fp, 0, 0, 8, 5, -1, 0, 31});
  }
  return s;
}

// A phase of the flight: where each quantity heads while it lasts.
struct Phase {
  double share;  // of the flight time
  double rpm, map, ff, egt, cht, tit, oil, oilp, oatDrop, hp;
};

// Targets for a six-cylinder engine in °F; fuel flow in GPH.
constexpr Phase kPhases[] = {
    //  share   rpm    map   ff    egt   cht  tit   oil  oilp oatDrop hp
    {0.07, 1050, 14.5, 4.5, 980, 260, 1080, 150, 75, 0, 12},    // start and taxi
    {0.02, 1800, 18.0, 8.0, 1200, 300, 1300, 165, 78, 0, 35},   // run-up
    {0.16, 2650, 28.2, 19.5, 1290, 395, 1420, 195, 82, 22, 88}, // climb, full rich
    {0.58, 2400, 23.0, 12.2, 1445, 360, 1560, 190, 78, 30, 66}, // cruise, leaned
    {0.12, 2200, 16.5, 7.5, 1180, 290, 1320, 180, 75, 12, 38},  // descent, heads cooling
    {0.05, 1000, 13.5, 4.0, 950, 270, 1050, 170, 70, 0, 10},    // landing and taxi
};

// The legs of a shape of flight and which of them are the run-up, the climb,
// the cruise, the descent and the landing after it (of circuits, the first
// circuit's), and the legs that begin at takeoff power.
struct ShapeLegs {
  std::vector<Phase> legs;
  std::size_t runUp = 1, climb = 2, cruise = 3, descent = 4, landing = 5;
  std::vector<std::size_t> takeoffs = {2};
};

ShapeLegs legsOf(ProfileShape shape) {
  ShapeLegs s;
  s.legs.assign(std::begin(kPhases), std::end(kPhases));
  //                        share   rpm    map   ff    egt   cht  tit   oil  oilp oatDrop hp
  constexpr Phase kTakeoff{0.02, 2700, 29.5, 22.5, 1280, 380, 1400, 185, 84, 5, 100};
  constexpr Phase kTaxi = kPhases[0], kRunUp = kPhases[1], kLanding = kPhases[5];
  switch (shape) {
    case ProfileShape::Standard: break;
    case ProfileShape::Cruise75:
      s.legs = {kTaxi, kRunUp, kTakeoff,
                {0.12, 2700, 28.0, 21.0, 1290, 395, 1420, 195, 82, 22, 90},    // climb, full rich
                {0.60, 2500, 24.8, 17.0, 1350, 380, 1480, 195, 80, 30, 75},    // cruise, 75 % rich of peak
                kPhases[4], kLanding};
      s = {s.legs, 1, 3, 4, 5, 6, {2}};
      break;
    case ProfileShape::PoweredDescent:
      // The descent at cruise RPM: MAP and fuel flow come back in two steps.
      s.legs[3].share = 0.50;
      s.legs.insert(s.legs.begin() + 4, {0.10, 2400, 19.0, 10.0, 1400, 330, 1500, 185, 77, 20, 50});
      s.legs[5] = {0.10, 2400, 16.0, 8.0, 1330, 300, 1420, 180, 75, 12, 40};
      s.landing = 6;
      break;
    case ProfileShape::Circuits: {
      s.legs = {kTaxi, kRunUp};
      s.legs[0].share = 0.06;
      s.takeoffs.clear();
      for (int circuit = 0; circuit < 5; ++circuit) {
        s.takeoffs.push_back(s.legs.size());
        s.legs.push_back(kTakeoff);
        s.legs.push_back({0.04, 2600, 27.5, 19.5, 1290, 395, 1420, 195, 82, 6, 85});    // climb to the pattern
        s.legs.push_back({0.045, 2300, 21.0, 10.5, 1380, 360, 1480, 190, 78, 6, 55});  // downwind
        s.legs.push_back({0.055, 1900, 15.0, 6.5, 1150, 320, 1300, 185, 75, 3, 30});   // base and final
        s.legs.push_back({0.004, 1000, 13.0, 4.0, 1000, 320, 1100, 180, 70, 0, 10});   // on the runway at idle
      }
      s.legs.push_back(kLanding);
      s.legs.back().share = 0.10;
      s = {s.legs, 1, 3, 4, 5, 6, s.takeoffs};
      break;
    }
  }
  return s;
}

class Random {
 public:
  explicit Random(unsigned seed) : state_(seed * 2654435761u + 1u) {}
  double uniform() {  // [0, 1)
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<double>((state_ >> 8) & 0xFFFFFF) / 16777216.0;
  }
  double wobble(double spread) { return (uniform() * 2 - 1) * spread; }

 private:
  unsigned state_;
};

// The engine's state, moving towards the current phase's targets with the
// lag each quantity has (exhaust gas in seconds, heads in minutes).
struct Engine {
  double rpm = 0, map = 29.9, ff = 0, egt[9] = {}, cht[9] = {}, tit[2] = {}, oil = 60, oilp = 0, hp = 0;
  double usd = 0;
  double chtRate = 0;  // °F per minute of the mean head temperature
};

double approach(double value, double target, double dt, double lagSeconds) {
  return value + (target - value) * (1.0 - std::exp(-dt / lagSeconds));
}

// The leaning sweep's shape for one cylinder: its EGT rises `rise` °F from the
// rich end to its peak, rounds off within `width` GPH of the peak and falls
// `fall` °F to the lean end, whatever the spread of the peaks.
struct LeanCurve {
  double peak, richSlope, leanSlope, width;  // GPH, °F per GPH, GPH
  LeanCurve(double peakFf, double richFf, double leanFf, double width_, double rise, double fall)
      : peak(peakFf), richSlope(rise / shape(richFf - peakFf, width_)), leanSlope(fall / shape(peakFf - leanFf, width_)),
        width(width_) {}
  static double shape(double d, double w) { return std::sqrt(d * d + w * w) - w; }
  double bump(double ff) const { return -(ff > peak ? richSlope : leanSlope) * shape(ff - peak, width); }
};

// Seconds of the leaning sweep's steps: to full rich, held rich, the sweep,
// back to the cruise setting.
constexpr double kToRich = 10, kHoldRich = 20, kSweep = 90, kBack = 15;
// The mag checks, from the start of the run-up: the engine settles at 1800
// rpm, runs on the left mag, on both, on the right mag, on both.
constexpr double kLeftMag = 20, kMagSeconds = 15, kRightMag = 45, kRunUpSeconds = 85;

// The quick run-up's checks, from the start of the run-up: both mags,
// 3 s on the left, 5 s on both, 3 s on the right, then both.
constexpr double kQuickLeftMag = 12, kQuickMagSeconds = 3, kQuickRightMag = 20, kQuickRunUpSeconds = 35;

ProfileEvents::Mag quickMagChecks(double runUpStart) {
  ProfileEvents::Mag m;
  m.present = true;
  m.quick = true;
  m.leftStart = runUpStart + kQuickLeftMag;
  m.leftEnd = m.leftStart + kQuickMagSeconds;
  m.rightStart = runUpStart + kQuickRightMag;
  m.rightEnd = m.rightStart + kQuickMagSeconds;
  m.leftRpmDrop = 100;
  m.rightRpmDrop = 120;
  m.egtRise = 50;
  return m;
}

// The calendar of the instrument's dates (two-digit years of this century).
int daysInMonth(int month, int year) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const int y = 2000 + year;
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return month == 2 && leap ? 29 : kDays[std::clamp(month, 1, 12) - 1];
}

void addDays(ProfileOptions& o, int days) {
  for (int i = 0; i < days; ++i) {
    if (++o.day <= daysInMonth(o.month, o.year)) continue;
    o.day = 1;
    if (++o.month <= 12) continue;
    o.month = 1;
    o.year = (o.year + 1) % 100;
  }
}

int dayOfYear(const ProfileOptions& o) {
  int d = o.day;
  for (int m = 1; m < o.month; ++m) d += daysInMonth(m, o.year);
  return d;
}

// A seed of its own for each flight of a history: successive seeds of the
// generator give values that climb flight after flight (a sawtooth), so each
// flight's seed is the dump's seed and its index well mixed.
unsigned mixedSeed(unsigned seed, int index) {
  unsigned x = seed * 0x9E3779B9u + static_cast<unsigned>(index) * 0x85EBCA6Bu + 0x27D4EB2Fu;
  x ^= x >> 16;
  x *= 0x7FEB352Du;
  x ^= x >> 15;
  x *= 0x846CA68Bu;
  x ^= x >> 16;
  return x;
}

// The season's outside air on the ground, °F: 59 on average, ±20 over the
// year, warmest in late July.
double seasonOat(const ProfileOptions& o) {
  return 59 + 20 * std::sin(2 * 3.14159265358979 * (dayOfYear(o) - 111) / 365.25);
}

double along(double t, double t0, double t1, double v0, double v1) {
  return v0 + (v1 - v0) * std::clamp((t - t0) / (t1 - t0), 0.0, 1.0);
}

}  // namespace

FlightPlan ProfileFlight(const ProfileOptions& o, ProfileEvents* truth) {
  FlightPlan plan;
  FlightHeaderFields& h = plan.header;
  h.flightNumber = o.flightNumber;
  h.interval = static_cast<std::uint16_t>(std::max(1, o.interval));
  h.day = o.day;
  h.month = o.month;
  h.year = o.year;
  h.hours = o.hours;
  h.minutes = o.minutes0;
  h.seconds = o.seconds0;
  h.fuelUnit = static_cast<std::uint8_t>(o.fuelUnit);
  h.option = 0x20;  // outside air in °F
  const std::vector<Slot> slots = slotsFor(o);
  h.presence = 1u << 28;  // engine temperatures in °F
  for (const Slot& s : slots) {
    if (s.presence >= 32)
      h.extendedPresence |= 1u << (s.presence - 32);
    else if (s.presence >= 0)
      h.presence |= 1u << s.presence;
  }

  const ProfileEventOptions& ev = o.events;
  ProfileEvents said;
  Random rnd(o.seed);
  // Under a drift the cylinders are those of one engine, flight after flight.
  Random engineRnd(o.engineSeed);
  const bool history = o.history.days > 0;
  Random& cylinderRnd = ev.driftCylinder > 0 || !ev.changes.empty() || history ? engineRnd : rnd;
  const bool twin = o.layout == ProfileLayout::Twin;
  const int cylinders = std::clamp(o.allChannels ? 9 : o.cylinders, 1, twin ? 6 : 9);
  const double scale = cylinders <= 4 ? 0.68 : 1.0;  // fuel flow of a smaller engine
  const int hotCylinder = static_cast<int>(cylinderRnd.uniform() * cylinders);
  double egtOffset[2][9], chtOffset[2][9];
  for (int e = 0; e < 2; ++e)
    for (int c = 0; c < 9; ++c) {
      egtOffset[e][c] = cylinderRnd.wobble(35);
      chtOffset[e][c] = cylinderRnd.wobble(12) + (c == hotCylinder ? 38 : 0);
    }
  Engine eng[2];
  // A history's flight: the season's air and, with it, every head and EGT
  // (the engine breathes and cools with it), plus this flight's own power
  // setting; all cylinders alike.
  Random levelRnd(o.seed * 31u + 11u);
  const double groundOat = history ? seasonOat(o) + levelRnd.wobble(8) : 62 + rnd.wobble(15);
  const double chtLevel = history ? 0.25 * (groundOat - 59) + levelRnd.wobble(3) : 0;
  const double egtLevel = history ? 0.3 * (groundOat - 59) + levelRnd.wobble(10) : 0;
  if (history) said.seasonOatF = seasonOat(o);
  for (Engine& e : eng) {
    for (int c = 0; c < 9; ++c) e.egt[c] = e.cht[c] = groundOat;
    e.tit[0] = e.tit[1] = groundOat;
    e.oil = groundOat;
  }
  double bat = 12.4, amps = 0, fuelTank = 40.0, oat = groundOat;

  const double dt = h.interval;
  const long rows = std::max(1L, std::lround(o.minutes * 60.0 / dt));
  const long markRow = rows * 45 / 100;
  std::vector<int> current(slots.size());
  for (std::size_t i = 0; i < slots.size(); ++i) current[i] = slots[i].initial;
  plan.records.reserve(static_cast<std::size_t>(rows));

  // The phases and the row each begins at. Mag checks need a run-up of
  // kRunUpSeconds at least: the cruise gives it the time.
  const ShapeLegs shape = legsOf(o.shape);
  const std::size_t kRunUp = shape.runUp, kClimb = shape.climb, kCruise = shape.cruise, kDescent = shape.descent;
  std::vector<Phase> phases = shape.legs;
  if (ev.mag || ev.quickMag) {
    const double needed = ev.mag ? kRunUpSeconds : kQuickRunUpSeconds;
    const double runUp = std::max(phases[kRunUp].share, needed / (static_cast<double>(rows) * dt));
    phases[kCruise].share = std::max(0.05, phases[kCruise].share - (runUp - phases[kRunUp].share));
    phases[kRunUp].share = runUp;
  }
  if (ev.hot) {
    phases[kClimb].cht = 425;
    phases[kCruise].cht = 437;
  }
  std::vector<long> startRow(std::size(phases), rows);
  startRow[0] = 0;
  {
    double phaseStart = 0;
    std::size_t phase = 0;
    for (long row = 0; row < rows; ++row) {
      const double progress = static_cast<double>(row) / static_cast<double>(rows);
      while (phase + 1 < std::size(phases) && progress >= phaseStart + phases[phase].share) {
        phaseStart += phases[phase++].share;
        startRow[phase] = row;
      }
    }
  }
  said.runUpStart = static_cast<double>(startRow[kRunUp]) * dt;
  said.runUpEnd = static_cast<double>(startRow[kRunUp + 1]) * dt;
  said.cruiseStart = static_cast<double>(startRow[kCruise]) * dt;
  said.cruiseEnd = static_cast<double>(startRow[kDescent]) * dt;
  for (std::size_t leg : shape.takeoffs) said.takeoffs.push_back(static_cast<double>(startRow[leg]) * dt);
  said.descentStart = said.cruiseEnd;
  said.descentEnd = static_cast<double>(startRow[shape.landing]) * dt;

  const double cruiseFf = phases[kCruise].ff * scale;
  const double added = ev.driftCylinder > 0 ? ev.drift * o.flightIndex : 0;
  if (ev.mag) {
    auto& m = said.mag;
    m.present = true;
    m.leftStart = said.runUpStart + kLeftMag;
    m.leftEnd = m.leftStart + kMagSeconds;
    m.rightStart = said.runUpStart + kRightMag;
    m.rightEnd = m.rightStart + kMagSeconds;
    m.leftRpmDrop = 100;
    m.rightRpmDrop = 120;
    m.egtRise = 70;
    m.deadCylinder = std::clamp(ev.magDeadCylinder, 1, cylinders);
    m.deadFall = 20;
  } else if (ev.quickMag) {
    said.mag = quickMagChecks(said.runUpStart);
  }
  std::vector<LeanCurve> curves;
  std::vector<double> leanTop(static_cast<std::size_t>(cylinders));
  if (ev.lean) {
    auto& l = said.lean;
    l.present = true;
    const auto n = static_cast<std::size_t>(cylinders);
    if (ev.leanPeaks.size() == n) {
      l.peakFuelFlow = ev.leanPeaks;
    } else {
      for (std::size_t c = 0; c < n; ++c)
        l.peakFuelFlow.push_back(11.5 * scale + ev.leanSpread / 2 -
                                 (n > 1 ? ev.leanSpread * static_cast<double>(c) / static_cast<double>(n - 1) : ev.leanSpread / 2));
    }
    const auto [low, high] = std::minmax_element(l.peakFuelFlow.begin(), l.peakFuelFlow.end());
    l.richFuelFlow = *high + 2.2 * scale;
    l.leanFuelFlow = *low - 2.2 * scale;
    l.afterFuelFlow = cruiseFf;
    const double length = kToRich + kHoldRich + kSweep + kBack;
    l.richStart = said.cruiseStart + std::min(180.0, std::max(0.0, (said.cruiseEnd - said.cruiseStart - length) / 2));
    l.sweepStart = l.richStart + kToRich + kHoldRich;
    l.sweepEnd = l.sweepStart + kSweep;
    l.end = l.sweepEnd + kBack;
    for (std::size_t c = 0; c < n; ++c) {
      l.peakAt.push_back(l.sweepStart + kSweep * (l.richFuelFlow - l.peakFuelFlow[c]) / (l.richFuelFlow - l.leanFuelFlow));
      // The curve meets the cruise EGT at the cruise fuel flow.
      curves.emplace_back(l.peakFuelFlow[c], l.richFuelFlow, l.leanFuelFlow, 0.1 * scale, 100, 60);
      leanTop[c] = phases[kCruise].egt + egtOffset[0][c] - curves[c].bump(cruiseFf);
    }
  }
  if (ev.valve) {
    said.valve = {true, std::clamp(ev.valveCylinder, 1, cylinders), ev.valveAmplitude, ev.valvePeriod,
                  said.cruiseStart, said.cruiseEnd};
  }
  // A probe's times fall on rows, so that its first row without a value is known.
  Random probeRnd(o.seed * 7u + 3u);
  if (ev.probe) {
    auto& p = said.probe;
    p.present = true;
    p.kind = ev.probeKind == 'E' ? 'E' : 'C';
    p.cylinder = std::clamp(ev.probeCylinder, 1, cylinders);
    const double at = ev.probeMinute < 0 ? static_cast<double>(rows) * dt / 2 : ev.probeMinute * 60;
    p.opensAt = std::ceil(at / dt) * dt;
    p.flapsUntil = p.opensAt + std::ceil(std::max(0.0, ev.probeFlapSeconds) / dt) * dt;
  }
  if (ev.driftCylinder > 0) said.drift = {true, std::clamp(ev.driftCylinder, 1, cylinders), added};
  const int driftCylinder = said.drift.present ? said.drift.cylinder - 1 : -1;
  // Each slow change's steps so far: none before its last flights begin.
  double chtChange[9] = {}, egtChange[9] = {};
  // A step (work done on the cylinder) holds in every phase, not only in cruise.
  double chtStep[9] = {}, egtStep[9] = {};
  for (const ProfileEventOptions::SlowChange& c : ev.changes) {
    const int last = c.lastFlights > 0 ? std::min(c.lastFlights, o.flightCount) : o.flightCount;
    const int steps = std::max(0, o.flightIndex - (o.flightCount - last) + 1);
    const int cyl = std::clamp(c.cylinder, 1, cylinders);
    const double added = c.step ? (steps > 0 ? c.perFlight : 0) : c.perFlight * steps;
    said.changes.push_back({c.kind, cyl, added});
    if (c.step) (c.kind == 'E' ? egtStep : chtStep)[cyl - 1] += added;
    else (c.kind == 'E' ? egtChange : chtChange)[cyl - 1] += added;
  }
  bool probeOpen = false;
  long hotFrom = -1;  // the first row of the current span of hot heads
  int hotLow = 9999, hotHigh = -9999;

  std::size_t phase = 0;
  for (long row = 0; row < rows; ++row) {
    while (phase + 1 < std::size(phases) && row >= startRow[phase + 1]) ++phase;
    const Phase& p = phases[phase];
    const double t = static_cast<double>(row) * dt;
    oat = approach(oat, groundOat - p.oatDrop, dt, 240);
    for (int e = 0; e < (twin ? 2 : 1); ++e) {
      Engine& en = eng[e];
      const bool events = e == 0;  // the events are the left (or only) engine's
      const bool cruise = phase == kCruise;
      double rpmTarget = p.rpm, rpmLag = 6, egtLag = 15;
      double egtShift[9] = {};
      if (events && said.mag.present && phase == kRunUp) {
        rpmLag = said.mag.quick ? 0.4 : 2;  // a mag check shows in a second or two
        egtLag = said.mag.quick ? 2 : 4;
        const auto& m = said.mag;
        const bool onLeft = t >= m.leftStart && t < m.leftEnd, onRight = t >= m.rightStart && t < m.rightEnd;
        if (onLeft || onRight) {
          rpmTarget -= onLeft ? m.leftRpmDrop : m.rightRpmDrop;
          for (int c = 0; c < cylinders; ++c)
            egtShift[c] = onRight && c == m.deadCylinder - 1 ? -m.deadFall : m.egtRise;
        }
      }
      if (events && cruise && driftCylinder >= 0) egtShift[driftCylinder] += added;
      if (events && cruise)
        for (int c = 0; c < cylinders; ++c) egtShift[c] += egtChange[c];
      if (events)
        for (int c = 0; c < cylinders; ++c) egtShift[c] += egtStep[c];
      const double before = en.cht[0] + en.cht[1];
      en.rpm = row == 0 ? rpmTarget : approach(en.rpm, rpmTarget + rnd.wobble(8), dt, rpmLag);
      en.map = approach(en.map, p.map + rnd.wobble(0.15), dt, 8);
      en.ff = approach(en.ff, p.ff * scale + rnd.wobble(0.2), dt, 5);
      en.hp = approach(en.hp, p.hp, dt, 8);
      for (int c = 0; c < cylinders; ++c) {
        double cht = p.cht + chtOffset[e][c];
        // On a hot day the heads sit close together under the limit.
        if (ev.hot && (phase == kClimb || phase == kCruise)) cht = p.cht + (c == hotCylinder ? 4 : chtOffset[e][c] * 0.15);
        if (events && cruise && c == driftCylinder) cht += added;
        if (events && cruise) cht += chtChange[c];
        if (events) cht += chtStep[c];
        if (history) cht += chtLevel;
        en.egt[c] = approach(en.egt[c], p.egt + egtOffset[e][c] + egtShift[c] + egtLevel + rnd.wobble(6), dt, egtLag);
        en.cht[c] = approach(en.cht[c], cht + rnd.wobble(2), dt, 110);
      }
      if (events && said.lean.present && cruise && t >= said.lean.richStart && t < said.lean.end) {
        const auto& l = said.lean;
        en.ff = t < l.sweepStart  ? along(t, l.richStart, l.richStart + kToRich, cruiseFf, l.richFuelFlow)
                : t < l.sweepEnd ? along(t, l.sweepStart, l.sweepEnd, l.richFuelFlow, l.leanFuelFlow)
                                 : along(t, l.sweepEnd, l.end, l.leanFuelFlow, cruiseFf);
        for (int c = 0; c < cylinders; ++c)
          en.egt[c] = leanTop[static_cast<std::size_t>(c)] + curves[static_cast<std::size_t>(c)].bump(en.ff) +
                      egtShift[c] + rnd.wobble(1);
      }
      en.tit[0] = approach(en.tit[0], p.tit + rnd.wobble(6), dt, 20);
      en.tit[1] = approach(en.tit[1], p.tit - 15 + rnd.wobble(6), dt, 20);
      en.oil = approach(en.oil, p.oil, dt, 300);
      en.oilp = approach(en.oilp, p.oilp, dt, 10);
      en.usd += en.ff * dt / 3600.0;
      en.chtRate = row == 0 ? 0 : std::clamp(((en.cht[0] + en.cht[1]) - before) / 2.0 * 60.0 / dt, -90.0, 90.0);
    }
    bat = approach(bat, row < 3 ? 12.2 : 14.1 + rnd.wobble(0.05), dt, 20);
    amps = approach(amps, row < 3 ? -40 : 4 + 20 * std::exp(-row * dt / 300.0), dt, 15);
    fuelTank = 40.0 - eng[0].usd;

    double valveSwing = 0;
    if (said.valve.present && phase == kCruise &&
        !(said.lean.present && t >= said.lean.richStart && t < said.lean.end))
      valveSwing = said.valve.amplitude * std::sin(2 * 3.14159265358979 * (t - said.valve.start) / said.valve.period);
    bool probeOpenNow = false;
    if (said.probe.present && t >= said.probe.opensAt)
      probeOpenNow = t < said.probe.opensAt + dt / 2 || t >= said.probe.flapsUntil || probeRnd.uniform() < 0.5;

    RecordBuilder r(0);
    bool allHot = ev.hot;
    int rowLow = 9999, rowHigh = -9999;
    for (std::size_t i = 0; i < slots.size(); ++i) {
      const Slot& s = slots[i];
      const Engine& en = eng[s.engine];
      const double ffUnit = o.fuelUnit == 0 ? 10.0 : 1.0;  // tenths of a gallon an hour
      const bool probed = said.probe.present && s.engine == 0 && s.cylinder == said.probe.cylinder - 1 &&
                          (said.probe.kind == 'C' ? s.what == Quantity::Cht : s.what == Quantity::Egt);
      double v = 0;
      switch (s.what) {
        case Quantity::Egt:
          v = en.egt[s.cylinder] + (s.engine == 0 && s.cylinder == said.valve.cylinder - 1 ? valveSwing : 0);
          break;
        case Quantity::Cht: v = en.cht[s.cylinder]; break;
        case Quantity::Tit: v = en.tit[s.cylinder]; break;
        case Quantity::Oil: v = en.oil; break;
        case Quantity::OilP: v = en.oilp; break;
        case Quantity::Oat: v = oat; break;
        case Quantity::Cdt: v = en.oil + 40 * en.map / 29.0; break;
        case Quantity::Iat: v = oat + 25 * en.map / 29.0; break;
        case Quantity::Bat: v = bat * 10; break;
        case Quantity::Bat2: v = bat * 10 - 3; break;
        case Quantity::Amps: v = s.cylinder ? amps / 2 : amps; break;
        case Quantity::Ff: v = en.ff * ffUnit; break;
        case Quantity::Usd: v = en.usd * ffUnit; break;
        case Quantity::Rpm: v = en.rpm; break;
        case Quantity::Map: v = en.map * 10; break;
        case Quantity::Hp: v = en.hp; break;
        case Quantity::Fp: v = 250 + en.ff * 2; break;
        case Quantity::FuelL: v = fuelTank * 5; break;  // tenths of a gallon, half the fuel in each tank
        case Quantity::FuelR: v = fuelTank * 5 - 7; break;
        case Quantity::Mark: v = (row >= markRow && row < markRow + 3) ? 1 : 0; break;
        case Quantity::Cld: v = std::round(en.chtRate); break;
      }
      const int target = static_cast<int>(std::lround(v));
      int diff = target - current[i];
      if (probed) {
        if (probeOpenNow) {
          // A difference of 0 is "not available"; it holds until a value comes.
          if (!probeOpen) r.set(s.group, s.bit, 0);
          probeOpen = true;
          continue;
        }
        if (probeOpen && diff == 0) diff = 1;
        probeOpen = false;
      }
      if (s.highGroup < 0) diff = std::clamp(diff, -255, 255);
      if (diff != 0) {  // a difference of 0 would mean "not available"
        if (s.highGroup >= 0)
          r.wide(s.group, s.bit, s.highGroup, s.highBit, diff);
        else
          r.set(s.group, s.bit, static_cast<std::uint8_t>(std::abs(diff)), diff < 0);
        current[i] += diff;
      }
      if (s.what == Quantity::Cht && !probed) {
        allHot = allHot && current[i] >= 430 && current[i] <= 445;
        rowLow = std::min(rowLow, current[i]);
        rowHigh = std::max(rowHigh, current[i]);
      }
    }
    plan.records.push_back(r);

    // The longest span of rows whose heads are all hot.
    if (allHot) {
      if (hotFrom < 0) hotFrom = row, hotLow = 9999, hotHigh = -9999;
      hotLow = std::min(hotLow, rowLow);
      hotHigh = std::max(hotHigh, rowHigh);
      const double from = static_cast<double>(hotFrom) * dt, to = static_cast<double>(row + 1) * dt;
      if (to - from > said.hot.end - said.hot.start) said.hot = {true, from, to, hotLow, hotHigh};
    } else {
      hotFrom = -1;
    }
  }
  said.fuelUsed = eng[0].usd + (twin ? eng[1].usd : 0);
  if (truth) *truth = said;
  return plan;
}

DumpPlan ProfileDump(const ProfileOptions& first, int flights, const std::string& userId,
                     std::vector<ProfileEvents>* truth) {
  DumpPlan plan;
  plan.userId = userId;
  plan.model = first.layout == ProfileLayout::Twin ? "760" : "830";
  plan.firmware = "288";
  plan.extended = first.layout == ProfileLayout::Extended;
  ProfileOptions o = first;
  o.engineSeed = first.seed;
  o.flightCount = flights;
  const bool history = first.history.days > 0;
  if (truth) truth->clear();
  int onDay = 0;  // days after the first flight's
  for (int i = 0; i < flights; ++i) {
    o.flightIndex = i;
    if (history) {
      // Evenly over the days, each flight at its own time of the day.
      const int day = static_cast<int>(static_cast<long>(i) * first.history.days / std::max(1, flights));
      addDays(o, day - onDay);
      onDay = day;
      o.seed = mixedSeed(first.seed, i);
      o.hours = 7 + static_cast<int>(o.seed % 11);
      o.minutes0 = static_cast<int>((o.seed >> 8) % 60);
    }
    ProfileEvents said;
    plan.flights.push_back(ProfileFlight(o, &said));
    if (truth) truth->push_back(said);
    ++o.flightNumber;
    if (!history) {
      ++o.seed;
      addDays(o, 1);
    }
  }
  return plan;
}

}  // namespace varnix::sim::encode
