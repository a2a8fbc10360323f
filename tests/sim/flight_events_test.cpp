// SPDX-License-Identifier: GPL-3.0-or-later
// The simulator's engine events, decoded as the program decodes a dump: each
// signature shows in the raw columns where ProfileEvents says it is, and a
// flight without events keeps the bytes it had before events existed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "flight/flight_collector.h"

namespace varnix::test {
namespace {

using sim::encode::ProfileEvents;
using sim::encode::ProfileLayout;
using sim::encode::ProfileOptions;
using flight::ChannelKind;
using flight::Flight;

struct Decoded {
  std::vector<Flight> flights;
  std::vector<ProfileEvents> truth;
};

Decoded decode(const ProfileOptions& o, int flights = 1) {
  Decoded d;
  const std::string dump = sim::encode::assembleDump(sim::encode::ProfileDump(o, flights, "N123AB", &d.truth));
  flight::FlightCollector memory;
  HeaderState header;
  EXPECT_EQ(ExpandDump({reinterpret_cast<const std::uint8_t*>(dump.data()), dump.size()}, header, memory), 0);
  d.flights = std::move(memory.flights);
  EXPECT_EQ(d.flights.size(), static_cast<std::size_t>(flights));
  return d;
}

ProfileOptions options(ProfileLayout layout, int cylinders, int interval, double minutes = 60, unsigned seed = 5) {
  ProfileOptions o;
  o.layout = layout;
  o.cylinders = cylinders;
  o.interval = interval;
  o.minutes = minutes;
  o.seed = seed;
  return o;
}

// The column of a channel of the left (or only) engine.
std::span<const float> column(const Flight& f, ChannelKind kind, int cylinder = 0) {
  int c = flight::FindChannel(f.channels, kind, flight::Engine::Only, cylinder);
  if (c < 0) c = flight::FindChannel(f.channels, kind, flight::Engine::Left, cylinder);
  EXPECT_GE(c, 0) << "no channel of kind " << static_cast<int>(kind) << " cylinder " << cylinder;
  return c < 0 ? std::span<const float>{} : f.column(static_cast<std::size_t>(c));
}

// The last row before `t` (seconds from the start).
std::size_t before(const Flight& f, double t) { return f.rowAt(t - 0.001); }

std::uint64_t fnv1a(const std::string& bytes) {
  std::uint64_t h = 1469598103934665603ull;
  for (const unsigned char c : bytes) h = (h ^ c) * 1099511628211ull;
  return h;
}

TEST(SimEvents, WithoutEventsAFlightKeepsItsBytes) {
  // The hashes are those of the dumps before events existed; HOUR6.DAT is
  // `make-dump --minutes 60 --cylinders 6 --seed 6`.
  std::ifstream in(std::string(VARNIX_SOURCE_DIR) + "/samples/HOUR6.DAT", std::ios::binary);
  const std::string hour6((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(hour6.empty());
  struct Case {
    const char* name;
    ProfileOptions o;
    int flights;
    std::uint64_t hash;
    std::size_t size;
  };
  ProfileOptions extended = options(ProfileLayout::Extended, 6, 1, 15, 9);
  extended.allChannels = true;
  ProfileOptions twin = options(ProfileLayout::Twin, 6, 4, 30, 2);
  twin.fuelUnit = 1;
  ProfileOptions pounds = options(ProfileLayout::Single, 6, 6, 90, 11);
  pounds.fuelUnit = 2;
  // Settings of events not asked for change nothing.
  ProfileOptions settingsOnly = options(ProfileLayout::Single, 4, 2, 20, 3);
  settingsOnly.events.valveCylinder = 2;
  settingsOnly.events.leanSpread = 2;
  settingsOnly.events.probeMinute = 3;
  settingsOnly.events.drift = 5;
  const Case cases[] = {
      {"the one-hour sample", options(ProfileLayout::Single, 6, 6, 60, 6), 1, fnv1a(hour6), hour6.size()},
      {"four cylinders, two flights", options(ProfileLayout::Single, 4, 2, 20, 3), 2, 0x09c6de40957d8663ull, 20624},
      {"extended, every channel, 1 s", extended, 1, 0x27581b372ab6f195ull, 21642},
      {"twin, litres, three flights", twin, 3, 0x38f971337a75704dull, 41631},
      {"pounds, 90 minutes", pounds, 1, 0xd59cc064ceffc59aull, 17538},
      {"event settings without events", settingsOnly, 2, 0x09c6de40957d8663ull, 20624},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<ProfileEvents> truth;
    const std::string dump = sim::encode::assembleDump(sim::encode::ProfileDump(c.o, c.flights, "N123AB", &truth));
    EXPECT_EQ(dump.size(), c.size);
    EXPECT_EQ(fnv1a(dump), c.hash);
    ASSERT_EQ(truth.size(), static_cast<std::size_t>(c.flights));
    const ProfileEvents& t = truth[0];
    EXPECT_FALSE(t.mag.present || t.lean.present || t.valve.present || t.probe.present || t.hot.present ||
                 t.drift.present);
    // The plain profile has its run-up already, before the climb.
    EXPECT_LT(t.runUpStart, t.runUpEnd);
    EXPECT_LT(t.runUpEnd, t.cruiseStart);
  }
}

TEST(SimEvents, MagChecksDropTheRpmAndRaiseEveryEgtButTheDeadCylinders) {
  struct Case {
    const char* name;
    ProfileOptions o;
    int dead;
  };
  const Case cases[] = {
      {"six cylinders, 1 s", options(ProfileLayout::Single, 6, 1), 3},
      {"six cylinders, 6 s, a short flight", options(ProfileLayout::Single, 6, 6, 12), 1},
      {"four cylinders, 2 s", options(ProfileLayout::Single, 4, 2, 30, 8), 4},
      {"extended, 4 s", options(ProfileLayout::Extended, 6, 4, 45, 2), 6},
      {"twin (no RPM), 3 s", options(ProfileLayout::Twin, 6, 3, 40, 3), 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = c.o;
    o.events.mag = true;
    o.events.magDeadCylinder = c.dead;
    const Decoded d = decode(o);
    const Flight& f = d.flights[0];
    const ProfileEvents::Mag& m = d.truth[0].mag;
    ASSERT_TRUE(m.present);
    EXPECT_EQ(m.deadCylinder, c.dead);
    // About a minute at 1800 rpm before the climb, the checks inside it.
    EXPECT_GE(d.truth[0].runUpEnd - d.truth[0].runUpStart, 80);
    EXPECT_GE(m.leftStart, d.truth[0].runUpStart + 10);
    EXPECT_LT(m.leftEnd, m.rightStart);
    EXPECT_LE(m.rightEnd, d.truth[0].runUpEnd);
    const std::size_t bothL = before(f, m.leftStart), left = before(f, m.leftEnd);
    const std::size_t bothR = before(f, m.rightStart), right = before(f, m.rightEnd);
    ASSERT_LT(bothL, left);
    ASSERT_LT(bothR, right);
    if (o.layout != ProfileLayout::Twin) {
      const auto rpm = column(f, ChannelKind::Rpm);
      EXPECT_NEAR(rpm[bothL], 1800, 30);
      EXPECT_NEAR(rpm[bothL] - rpm[left], 100, 30);
      EXPECT_NEAR(rpm[bothR] - rpm[right], 120, 30);
      EXPECT_GT(rpm[f.rowAt(d.truth[0].runUpEnd + 60)], 2400);  // then the takeoff
    }
    for (int cyl = 1; cyl <= o.cylinders; ++cyl) {
      SCOPED_TRACE("cylinder " + std::to_string(cyl));
      const auto egt = column(f, ChannelKind::Egt, cyl);
      const double onLeft = egt[left] - egt[bothL], onRight = egt[right] - egt[bothR];
      EXPECT_GE(onLeft, 50);
      EXPECT_LE(onLeft, 85);
      if (cyl == c.dead) {
        EXPECT_LE(onRight, 0);
      } else {
        EXPECT_GE(onRight, 50);
        EXPECT_LE(onRight, 85);
      }
    }
  }
}

// The quick run-up: checks of 3 s, the RPM down by its drop within a second
// of the switch and back within a second after, every EGT rising on each.
TEST(SimEvents, QuickMagChecksDropTheRpmWithinASecond) {
  const struct {
    const char* name;
    ProfileOptions o;
  } cases[] = {
      {"six cylinders, 1 s", options(ProfileLayout::Single, 6, 1)},
      {"four cylinders, 1 s, a short flight", options(ProfileLayout::Single, 4, 1, 10, 9)},
      {"extended, 2 s", options(ProfileLayout::Extended, 6, 2, 30, 2)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = c.o;
    o.events.quickMag = true;
    const Decoded d = decode(o);
    const Flight& f = d.flights[0];
    const ProfileEvents::Mag& m = d.truth[0].mag;
    ASSERT_TRUE(m.present && m.quick);
    EXPECT_EQ(m.deadCylinder, 0);
    EXPECT_NEAR(m.leftEnd - m.leftStart, 3, 0.01);
    EXPECT_NEAR(m.rightEnd - m.rightStart, 3, 0.01);
    EXPECT_GE(m.leftStart, d.truth[0].runUpStart + 10);
    EXPECT_LE(m.rightEnd + 10, d.truth[0].runUpEnd);
    const auto rpm = column(f, ChannelKind::Rpm);
    const double both = rpm[before(f, m.leftStart)];
    EXPECT_NEAR(both, 1800, 30);
    const struct {
      double start, end, drop;
    } checks[] = {{m.leftStart, m.leftEnd, m.leftRpmDrop}, {m.rightStart, m.rightEnd, m.rightRpmDrop}};
    for (const auto& k : checks) {
      const std::size_t on = f.rowAt(k.start + 1), after = f.rowAt(k.end + 1);
      EXPECT_NEAR(rpm[before(f, k.start)] - rpm[on], k.drop, 30) << k.start;
      EXPECT_NEAR(rpm[after], both, 30) << k.end;
      for (int cyl = 1; cyl <= o.cylinders; ++cyl) {
        const auto egt = column(f, ChannelKind::Egt, cyl);
        EXPECT_GE(egt[before(f, k.end)] - egt[before(f, k.start)], 20) << "E" << cyl << " at " << k.start;
      }
    }
  }
}

TEST(SimEvents, LeaningSweepPeaksEachEgtAtItsCylindersFuelFlow) {
  struct Case {
    const char* name;
    ProfileOptions o;
    std::vector<double> peaks;  // chosen; else spread evenly
    double spread;
    double centre;              // of an even spread
  };
  const Case cases[] = {
      {"six cylinders, default spread, 1 s", options(ProfileLayout::Single, 6, 1), {}, 0.6, 11.5},
      {"chosen peaks, 2 s", options(ProfileLayout::Single, 6, 2, 50, 3), {11.6, 11.4, 11.3, 11.8, 11.5, 11.7}, 0, 0},
      {"wide spread, 6 s", options(ProfileLayout::Single, 6, 6, 60, 4), {}, 1.5, 11.5},
      {"four cylinders, 1 s", options(ProfileLayout::Single, 4, 1, 40, 6), {}, 0.4, 11.5 * 0.68},
      {"one peak for all, 3 s", options(ProfileLayout::Extended, 6, 3, 30, 7), {}, 0, 11.5},
      {"twin, 2 s", options(ProfileLayout::Twin, 6, 2, 40, 9), {12.0, 11.1, 11.7, 11.4, 11.9, 11.2}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = c.o;
    o.events.lean = true;
    o.events.leanPeaks = c.peaks;
    o.events.leanSpread = c.spread;
    const Decoded d = decode(o);
    const Flight& f = d.flights[0];
    const ProfileEvents::Lean& l = d.truth[0].lean;
    ASSERT_TRUE(l.present);
    ASSERT_EQ(l.peakFuelFlow.size(), static_cast<std::size_t>(o.cylinders));
    if (!c.peaks.empty()) {
      EXPECT_EQ(l.peakFuelFlow, c.peaks);
    } else {
      const auto [low, high] = std::minmax_element(l.peakFuelFlow.begin(), l.peakFuelFlow.end());
      EXPECT_NEAR(*high - *low, c.spread, 1e-9);
      EXPECT_NEAR((*high + *low) / 2, c.centre, 1e-9);
    }
    EXPECT_GE(l.richStart, d.truth[0].cruiseStart);
    EXPECT_LE(l.end, d.truth[0].cruiseEnd);
    EXPECT_GE(l.sweepEnd - l.sweepStart, 60);
    EXPECT_LE(l.sweepEnd - l.sweepStart, 90);
    const auto ff = column(f, ChannelKind::FuelFlow);
    const auto rpm = o.layout == ProfileLayout::Twin ? ff : column(f, ChannelKind::Rpm);
    const std::size_t from = f.rowAt(l.sweepStart), to = before(f, l.sweepEnd);
    EXPECT_NEAR(ff[from], l.richFuelFlow, 0.15);
    EXPECT_NEAR(ff[to], l.leanFuelFlow, 0.4);
    EXPECT_NEAR(ff[f.rowAt(l.end + 60)], l.afterFuelFlow, 0.5);  // back to the cruise setting
    for (std::size_t r = from + 1; r <= to; ++r) EXPECT_LE(ff[r], ff[r - 1]) << "row " << r;
    // A maximum lies on a row: within 0.2 GPH of the peak when rows are a few
    // seconds apart, else within half the fuel flow's step between rows and its
    // last digit (and the column's float).
    const double step = (l.richFuelFlow - l.leanFuelFlow) / (l.sweepEnd - l.sweepStart) * o.interval;
    const double tolerance = std::max(0.2, step / 2 + 0.1) + 1e-4;
    if (o.layout != ProfileLayout::Twin) {
      const auto map = column(f, ChannelKind::Map);
      const auto [rLow, rHigh] = std::minmax_element(rpm.begin() + from, rpm.begin() + to + 1);
      const auto [mLow, mHigh] = std::minmax_element(map.begin() + from, map.begin() + to + 1);
      EXPECT_LE(*rHigh - *rLow, 40);
      EXPECT_LE(*mHigh - *mLow, 1.0);
    }
    for (int cyl = 1; cyl <= o.cylinders; ++cyl) {
      SCOPED_TRACE("cylinder " + std::to_string(cyl));
      const auto egt = column(f, ChannelKind::Egt, cyl);
      const std::size_t peak =
          static_cast<std::size_t>(std::max_element(egt.begin() + from, egt.begin() + to + 1) - egt.begin());
      EXPECT_NEAR(ff[peak], l.peakFuelFlow[static_cast<std::size_t>(cyl - 1)], tolerance);
      EXPECT_NEAR(f.seconds[peak], l.peakAt[static_cast<std::size_t>(cyl - 1)], 4 + o.interval);
      const double rise = egt[peak] - egt[from], fall = egt[peak] - egt[to];
      EXPECT_GE(rise, 70);
      EXPECT_LE(rise, 140);
      EXPECT_GE(fall, 40);
      EXPECT_LE(fall, 90);
    }
  }
}

TEST(SimEvents, ValveCylinderEgtSwingsWithItsAmplitudeAndPeriod) {
  struct Case {
    const char* name;
    ProfileOptions o;
    int cylinder;
    double amplitude, period;
  };
  const Case cases[] = {
      {"defaults, 6 s", options(ProfileLayout::Single, 6, 6), 4, 40, 60},
      {"small and slow, 2 s", options(ProfileLayout::Single, 6, 2, 45, 3), 2, 25, 90},
      {"large and quick, 1 s", options(ProfileLayout::Single, 4, 1, 30, 4), 1, 60, 30},
      {"twin, 4 s", options(ProfileLayout::Twin, 6, 4, 40, 5), 6, 40, 120},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = c.o;
    o.events.valve = true;
    o.events.valveCylinder = c.cylinder;
    o.events.valveAmplitude = c.amplitude;
    o.events.valvePeriod = c.period;
    const Decoded d = decode(o);
    const Flight& f = d.flights[0];
    const ProfileEvents::Valve& v = d.truth[0].valve;
    ASSERT_TRUE(v.present);
    EXPECT_EQ(v.cylinder, c.cylinder);
    EXPECT_DOUBLE_EQ(v.start, d.truth[0].cruiseStart);
    EXPECT_DOUBLE_EQ(v.end, d.truth[0].cruiseEnd);
    // Each whole period after the cruise has settled: the valve cylinder swings
    // twice its amplitude, its highest a quarter period in; the others hardly.
    int periods = 0;
    for (double t0 = v.start + 3 * v.period; t0 + v.period <= v.end; t0 += v.period, ++periods) {
      const std::size_t a = f.rowAt(t0), b = before(f, t0 + v.period);
      for (int cyl = 1; cyl <= o.cylinders; ++cyl) {
        const auto egt = column(f, ChannelKind::Egt, cyl);
        const auto [low, high] = std::minmax_element(egt.begin() + a, egt.begin() + b + 1);
        const double swing = *high - *low;
        if (cyl == c.cylinder) {
          EXPECT_NEAR(swing, 2 * c.amplitude, 0.15 * 2 * c.amplitude + 12) << "at " << t0;
          EXPECT_NEAR(f.seconds[static_cast<std::size_t>(high - egt.begin())], t0 + v.period / 4,
                      v.period / 8 + o.interval)
              << "at " << t0;
        } else {
          EXPECT_LT(swing, c.amplitude) << "cylinder " << cyl << " at " << t0;
        }
      }
    }
    EXPECT_GE(periods, 5);
  }
}

TEST(SimEvents, ProbeOpensAtItsMinuteFlapsAndStaysOpen) {
  struct Case {
    const char* name;
    ProfileOptions o;
    char kind;
    int cylinder;
    double minute, flap;
  };
  const Case cases[] = {
      {"CHT 3 at half the flight, 6 s", options(ProfileLayout::Single, 6, 6), 'C', 3, -1, 120},
      {"EGT 2 at minute 20, 2 s", options(ProfileLayout::Single, 6, 2, 40, 3), 'E', 2, 20, 90},
      {"CHT 1 at minute 10, no flapping, 6 s", options(ProfileLayout::Single, 4, 6, 30, 4), 'C', 1, 10, 0},
      {"twin CHT 3, 1 s", options(ProfileLayout::Twin, 6, 1, 20, 5), 'C', 3, 7.5, 60},
      {"extended EGT 6 at 5 s past a row, 4 s", options(ProfileLayout::Extended, 6, 4, 30, 6), 'E', 6, 12.0 + 5.0 / 60, 100},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = c.o;
    o.events.probe = true;
    o.events.probeKind = c.kind;
    o.events.probeCylinder = c.cylinder;
    o.events.probeMinute = c.minute;
    o.events.probeFlapSeconds = c.flap;
    const Decoded d = decode(o);
    const Flight& f = d.flights[0];
    const ProfileEvents::Probe& p = d.truth[0].probe;
    ASSERT_TRUE(p.present);
    const double at = c.minute < 0 ? o.minutes * 30 : c.minute * 60;
    EXPECT_GE(p.opensAt, at);
    EXPECT_LT(p.opensAt, at + o.interval);
    EXPECT_GE(p.flapsUntil - p.opensAt, c.flap);
    const ChannelKind kind = c.kind == 'C' ? ChannelKind::Cht : ChannelKind::Egt;
    const auto values = column(f, kind, c.cylinder);
    int flapOpen = 0, flapRead = 0;
    for (std::size_t r = 0; r < f.rows(); ++r) {
      const double t = f.seconds[r];
      const bool open = std::isnan(values[r]);
      if (t < p.opensAt) {
        ASSERT_FALSE(open) << "row " << r;
      } else if (t == p.opensAt || t >= p.flapsUntil) {
        ASSERT_TRUE(open) << "row " << r;
      } else {
        ++(open ? flapOpen : flapRead);
        // What it reads while it flaps is the cylinder's temperature.
        if (!open) {
          EXPECT_NEAR(values[r], values[f.rowAt(p.opensAt) - 1], 40) << "row " << r;
        }
      }
    }
    if (c.flap >= 60) {
      EXPECT_GT(flapOpen, 0);
      EXPECT_GT(flapRead, 0);
    }
    // The other probes of its kind read all along.
    for (int cyl = 1; cyl <= o.cylinders; ++cyl)
      if (cyl != c.cylinder) {
        const auto other = column(f, kind, cyl);
        EXPECT_TRUE(std::none_of(other.begin(), other.end(), [](float v) { return std::isnan(v); })) << cyl;
      }
  }
}

TEST(SimEvents, HotCruiseKeepsTheHeadsJustUnderTheLimit) {
  struct Case {
    const char* name;
    ProfileOptions o;
  };
  const Case cases[] = {
      {"six cylinders, 6 s", options(ProfileLayout::Single, 6, 6)},
      {"four cylinders, 1 s", options(ProfileLayout::Single, 4, 1, 60, 2)},
      {"twin, 2 s", options(ProfileLayout::Twin, 6, 2, 75, 3)},
      {"every channel, 3 s", [] {
         ProfileOptions o = options(ProfileLayout::Extended, 6, 3, 65, 4);
         o.allChannels = true;
         return o;
       }()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = c.o;
    o.events.hot = true;
    const Decoded d = decode(o);
    const Flight& f = d.flights[0];
    const ProfileEvents& t = d.truth[0];
    ASSERT_TRUE(t.hot.present);
    EXPECT_GE(t.hot.end - t.hot.start, 30 * 60);
    EXPECT_GE(t.hot.start, t.cruiseStart - 300);
    EXPECT_LE(t.hot.end, t.cruiseEnd + 300);
    EXPECT_GE(t.hot.lowest, 430);
    EXPECT_LE(t.hot.highest, 445);
    const std::size_t a = f.rowAt(t.hot.start), b = before(f, t.hot.end);
    for (std::size_t ch = 0; ch < f.channels.size(); ++ch) {
      if (f.channels[ch].kind != ChannelKind::Cht) continue;
      SCOPED_TRACE(f.channels[ch].name);
      const auto cht = f.column(ch);
      EXPECT_LT(*std::max_element(cht.begin(), cht.end()), 450);  // the whole flight under the limit
      // A hot day: both engines' heads.
      const auto [low, high] = std::minmax_element(cht.begin() + a, cht.begin() + b + 1);
      EXPECT_GE(*low, 430);
      EXPECT_LE(*high, 445);
    }
  }
}

TEST(SimEvents, DriftAddsToOneCylindersCruiseTemperaturesFlightByFlight) {
  struct Case {
    const char* name;
    ProfileOptions o;
    int flights, cylinder;
    double drift;
  };
  const Case cases[] = {
      {"three degrees a flight, 6 s", options(ProfileLayout::Single, 6, 6, 45, 2), 5, 2, 3},
      {"cooling two degrees a flight, 2 s", options(ProfileLayout::Single, 6, 2, 30, 3), 4, 5, -2},
      {"four cylinders, 4 s", options(ProfileLayout::Single, 4, 4, 40, 4), 6, 4, 1.5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = c.o;
    o.events.driftCylinder = c.cylinder;
    o.events.drift = c.drift;
    const Decoded d = decode(o, c.flights);
    // The mean cruise CHT and EGT (its second half: the heads have settled) of
    // the drifting cylinder, less those of the others.
    std::vector<double> chtLead, egtLead, othersCht;
    for (int i = 0; i < c.flights; ++i) {
      const Flight& f = d.flights[static_cast<std::size_t>(i)];
      const ProfileEvents& t = d.truth[static_cast<std::size_t>(i)];
      ASSERT_TRUE(t.drift.present);
      EXPECT_DOUBLE_EQ(t.drift.added, c.drift * i);
      const std::size_t a = f.rowAt((t.cruiseStart + t.cruiseEnd) / 2), b = before(f, t.cruiseEnd);
      auto mean = [&](ChannelKind kind, int cyl) {
        const auto v = column(f, kind, cyl);
        double sum = 0;
        for (std::size_t r = a; r <= b; ++r) sum += v[r];
        return sum / static_cast<double>(b - a + 1);
      };
      double chtOthers = 0, egtOthers = 0;
      for (int cyl = 1; cyl <= o.cylinders; ++cyl)
        if (cyl != c.cylinder) {
          chtOthers += mean(ChannelKind::Cht, cyl) / (o.cylinders - 1);
          egtOthers += mean(ChannelKind::Egt, cyl) / (o.cylinders - 1);
        }
      chtLead.push_back(mean(ChannelKind::Cht, c.cylinder) - chtOthers);
      egtLead.push_back(mean(ChannelKind::Egt, c.cylinder) - egtOthers);
      othersCht.push_back(chtOthers);
    }
    for (int i = 1; i < c.flights; ++i) {
      SCOPED_TRACE("flight " + std::to_string(i + 1));
      const auto k = static_cast<std::size_t>(i);
      EXPECT_NEAR(chtLead[k] - chtLead[0], c.drift * i, 1.5);
      EXPECT_NEAR(egtLead[k] - egtLead[0], c.drift * i, 3.0);
      EXPECT_NEAR(othersCht[k], othersCht[0], 3.0);  // the same engine every flight
    }
  }
}

// A dump's flights follow the calendar: month ends, leap days and the new
// year; a history spreads them over its days.
TEST(SimEvents, FlightsAreDatedByTheCalendar) {
  struct Date {
    int day, month, year;
  };
  struct Case {
    const char* name;
    Date first;
    int flights, historyDays;
    std::vector<Date> expected;  // of the first flights, then of the last
  };
  const Case cases[] = {
      {"across a month's end", {29, 1, 24}, 4, 0, {{29, 1, 24}, {30, 1, 24}, {31, 1, 24}, {1, 2, 24}}},
      {"a leap day", {28, 2, 24}, 3, 0, {{28, 2, 24}, {29, 2, 24}, {1, 3, 24}}},
      {"no leap day", {28, 2, 25}, 2, 0, {{28, 2, 25}, {1, 3, 25}}},
      {"into the new year", {30, 12, 24}, 3, 0, {{30, 12, 24}, {31, 12, 24}, {1, 1, 25}}},
      {"256 flights from June end in February of the next year", {3, 6, 24}, 256, 0, {{3, 6, 24}, {13, 2, 25}}},
      {"a year's history: a flight every three days", {3, 6, 24}, 121, 365, {{3, 6, 24}, {6, 6, 24}, {30, 5, 25}}},
      {"a history of fewer days than flights: some days twice", {1, 3, 24}, 4, 2, {{1, 3, 24}, {1, 3, 24}, {2, 3, 24}, {2, 3, 24}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = options(ProfileLayout::Single, 4, 6, 1);
    o.day = c.first.day, o.month = c.first.month, o.year = c.first.year;
    o.history.days = c.historyDays;
    const sim::encode::DumpPlan plan = sim::encode::ProfileDump(o, c.flights);
    ASSERT_EQ(plan.flights.size(), static_cast<std::size_t>(c.flights));
    auto dateOf = [&](std::size_t i) {
      const auto& h = plan.flights[i].header;
      return std::to_string(h.day) + "/" + std::to_string(h.month) + "/" + std::to_string(h.year);
    };
    for (std::size_t k = 0; k < c.expected.size(); ++k) {
      const Date& e = c.expected[k];
      // All but the last expected date are the first flights'; the last is the last flight's.
      const std::size_t i = k + 1 == c.expected.size() ? plan.flights.size() - 1 : k;
      EXPECT_EQ(dateOf(i), std::to_string(e.day) + "/" + std::to_string(e.month) + "/" + std::to_string(e.year))
          << "flight " << i + 1;
    }
    for (std::size_t i = 1; i < plan.flights.size(); ++i) {
      const auto& a = plan.flights[i - 1].header;
      const auto& b = plan.flights[i].header;
      EXPECT_LE(std::make_tuple(a.year, a.month, a.day), std::make_tuple(b.year, b.month, b.day)) << dateOf(i);
      EXPECT_EQ(b.flightNumber, a.flightNumber + 1);
    }
  }
}

// A history is one engine through the seasons: the outside air follows the
// time of year, each flight varies at random around it (no climb from one
// flight's seed to the next), and a slow change adds its steps to one probe
// over the last flights only.
TEST(SimEvents, AHistoryFollowsTheSeasonsAndItsSlowChanges) {
  using SlowChange = sim::encode::ProfileEventOptions::SlowChange;
  struct Case {
    const char* name;
    ProfileOptions o;
    SlowChange change;
  };
  const Case cases[] = {
      {"a head warming 1 °F a flight over the last 40", options(ProfileLayout::Single, 6, 6, 24, 5), {'C', 3, 1, 40}},
      {"an EGT cooling 2 °F a flight over the last 20, twin", options(ProfileLayout::Twin, 6, 6, 24, 8), {'E', 2, -2, 20}},
      {"a head warming half a degree every flight, four cylinders", options(ProfileLayout::Single, 4, 2, 24, 3),
       {'C', 4, 0.5, 0}},
  };
  constexpr int kFlights = 121;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProfileOptions o = c.o;
    o.history.days = 365;
    o.events.changes = {c.change};
    const Decoded d = decode(o, kFlights);
    const sim::encode::DumpPlan plan = sim::encode::ProfileDump(o, kFlights);  // the dates (the decoder keeps none)
    const int last = c.change.lastFlights ? c.change.lastFlights : kFlights;
    const ChannelKind kind = c.change.kind == 'E' ? ChannelKind::Egt : ChannelKind::Cht;
    std::vector<double> lead, residual, summer, winter;
    int hottest = -1;
    bool oneHottest = true;
    for (int i = 0; i < kFlights; ++i) {
      const Flight& f = d.flights[static_cast<std::size_t>(i)];
      const ProfileEvents& t = d.truth[static_cast<std::size_t>(i)];
      ASSERT_EQ(t.changes.size(), 1u);
      EXPECT_DOUBLE_EQ(t.changes[0].added, c.change.perFlight * std::max(0, i - (kFlights - last) + 1));
      // The changed probe's cruise mean (its second half) less the others'.
      const std::size_t a = f.rowAt((t.cruiseStart + t.cruiseEnd) / 2), b = before(f, t.cruiseEnd);
      auto mean = [&](ChannelKind k, int cyl) {
        const auto v = column(f, k, cyl);
        double sum = 0;
        for (std::size_t r = a; r <= b; ++r) sum += v[r];
        return sum / static_cast<double>(b - a + 1);
      };
      double others = 0;
      int hot = 1;
      for (int cyl = 1; cyl <= o.cylinders; ++cyl) {
        if (cyl != c.change.cylinder) others += mean(kind, cyl) / (o.cylinders - 1);
        if (mean(ChannelKind::Cht, cyl) > mean(ChannelKind::Cht, hot)) hot = cyl;
      }
      lead.push_back(mean(kind, c.change.cylinder) - others);
      if (std::fabs(t.changes[0].added) < 5) {  // before the change could make another cylinder the hottest
        oneHottest = oneHottest && (hottest < 0 || hot == hottest);
        hottest = hot;
      }
      const double oat = column(f, ChannelKind::Oat)[0];
      residual.push_back(oat - t.seasonOatF);
      const int month = plan.flights[static_cast<std::size_t>(i)].header.month;
      if (month >= 6 && month <= 8) summer.push_back(oat);
      if (month == 12 || month <= 2) winter.push_back(oat);
    }
    EXPECT_TRUE(oneHottest) << "one engine's hot cylinder, flight after flight";
    auto average = [](const std::vector<double>& v) {
      double s = 0;
      for (const double x : v) s += x;
      return v.empty() ? 0.0 : s / static_cast<double>(v.size());
    };
    ASSERT_FALSE(summer.empty());
    ASSERT_FALSE(winter.empty());
    EXPECT_GT(average(summer) - average(winter), 25) << "the summer's air is the warmer";
    // Random around the season: a flight's air tells nothing of the next
    // few flights'. Successive seeds give a sawtooth (every third flight a
    // little cooler than the third before), correlated at some lag.
    const double m = average(residual);
    double spread = 0;
    for (const double x : residual) spread += (x - m) * (x - m);
    for (std::size_t lag = 1; lag <= 6; ++lag) {
      double together = 0;
      for (std::size_t i = lag; i < residual.size(); ++i) together += (residual[i] - m) * (residual[i - lag] - m);
      EXPECT_LT(std::fabs(together / spread), 0.4) << "lag " << lag;
    }
    // The lead: flat before the change's flights, then its steps.
    const int unchanged = kFlights - last;
    const double tolerance = kind == ChannelKind::Egt ? 4.0 : 1.5;
    const double before = unchanged > 0 ? average({lead.begin(), lead.begin() + unchanged}) : lead[0] - c.change.perFlight;
    for (int i = 0; i < kFlights; ++i) {
      const double expected = c.change.perFlight * std::max(0, i - unchanged + 1);
      EXPECT_NEAR(lead[static_cast<std::size_t>(i)] - before, expected, tolerance) << "flight " << i + 1;
    }
  }
}

}  // namespace
}  // namespace varnix::test
