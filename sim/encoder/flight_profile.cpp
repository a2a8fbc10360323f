// SPDX-License-Identifier: GPL-3.0-or-later
#include "encoder/flight_profile.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace varnix::encode {

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

}  // namespace

FlightPlan ProfileFlight(const ProfileOptions& o) {
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

  Random rnd(o.seed);
  const bool twin = o.layout == ProfileLayout::Twin;
  const int cylinders = std::clamp(o.allChannels ? 9 : o.cylinders, 1, twin ? 6 : 9);
  const double scale = cylinders <= 4 ? 0.68 : 1.0;  // fuel flow of a smaller engine
  const int hotCylinder = static_cast<int>(rnd.uniform() * cylinders);
  double egtOffset[2][9], chtOffset[2][9];
  for (int e = 0; e < 2; ++e)
    for (int c = 0; c < 9; ++c) {
      egtOffset[e][c] = rnd.wobble(35);
      chtOffset[e][c] = rnd.wobble(12) + (c == hotCylinder ? 38 : 0);
    }
  Engine eng[2];
  const double groundOat = 62 + rnd.wobble(15);
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

  double phaseStart = 0;
  std::size_t phase = 0;
  for (long row = 0; row < rows; ++row) {
    const double progress = static_cast<double>(row) / static_cast<double>(rows);
    while (phase + 1 < std::size(kPhases) && progress >= phaseStart + kPhases[phase].share)
      phaseStart += kPhases[phase++].share;
    const Phase& p = kPhases[phase];
    oat = approach(oat, groundOat - p.oatDrop, dt, 240);
    for (int e = 0; e < (twin ? 2 : 1); ++e) {
      Engine& en = eng[e];
      const double before = en.cht[0] + en.cht[1];
      en.rpm = row == 0 ? p.rpm : approach(en.rpm, p.rpm + rnd.wobble(8), dt, 6);
      en.map = approach(en.map, p.map + rnd.wobble(0.15), dt, 8);
      en.ff = approach(en.ff, p.ff * scale + rnd.wobble(0.2), dt, 5);
      en.hp = approach(en.hp, p.hp, dt, 8);
      for (int c = 0; c < cylinders; ++c) {
        en.egt[c] = approach(en.egt[c], p.egt + egtOffset[e][c] + rnd.wobble(6), dt, 15);
        en.cht[c] = approach(en.cht[c], p.cht + chtOffset[e][c] + rnd.wobble(2), dt, 110);
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

    RecordBuilder r(0);
    for (std::size_t i = 0; i < slots.size(); ++i) {
      const Slot& s = slots[i];
      const Engine& en = eng[s.engine];
      const double ffUnit = o.fuelUnit == 0 ? 10.0 : 1.0;  // tenths of a gallon an hour
      double v = 0;
      switch (s.what) {
        case Quantity::Egt: v = en.egt[s.cylinder]; break;
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
      if (s.highGroup < 0) diff = std::clamp(diff, -255, 255);
      if (diff == 0) continue;  // a difference of 0 would mean "not available"
      if (s.highGroup >= 0)
        r.wide(s.group, s.bit, s.highGroup, s.highBit, diff);
      else
        r.set(s.group, s.bit, static_cast<std::uint8_t>(std::abs(diff)), diff < 0);
      current[i] += diff;
    }
    plan.records.push_back(r);
  }
  return plan;
}

DumpPlan ProfileDump(const ProfileOptions& first, int flights, const std::string& userId) {
  DumpPlan plan;
  plan.userId = userId;
  plan.model = first.layout == ProfileLayout::Twin ? "760" : "830";
  plan.firmware = "288";
  plan.extended = first.layout == ProfileLayout::Extended;
  ProfileOptions o = first;
  for (int i = 0; i < flights; ++i) {
    plan.flights.push_back(ProfileFlight(o));
    ++o.flightNumber;
    ++o.seed;
    o.day = o.day % 28 + 1;
    if (o.day == 1) o.month = o.month % 12 + 1;
  }
  return plan;
}

}  // namespace varnix::encode
