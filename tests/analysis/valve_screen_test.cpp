// SPDX-License-Identifier: GPL-3.0-or-later
// The exhaust-valve screen on flights built in memory: a swinging cylinder
// of known amplitude and period is found with them, clean cruises with noise
// and drift find nothing, coarse rows are not judged; and on the
// simulator's flights through the encoder, with the digest's cruise.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "analysis/cylinder_groups.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "sensor_valve_flights.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using flight::ChannelKind;
using analysis::Phase;
using analysis::PhaseSpan;
using analysis::ValveVerdict;

constexpr int kCylinders = 6;
constexpr double kMinutes = 60;
const PhaseSpan kCruise[] = {{Phase::Cruise, 600, 3000}};

struct Swing {
  int cylinder = 0;        // 1-6; 0 none
  double amplitude = 0;    // ± °F
  double period = 60;      // s
  double from = 0, to = 1e9;  // seconds
};

// Six EGTs about 1400 °F with their own offsets, noise of ±`noise` °F and
// slow drifts of their own (a slow common one and, per cylinder, a linear
// one and a wave of 15 minutes); `swing` added to one of them. A twin has
// LE1-LE6 and RE1-RE6, the swing on the right engine.
flight::Flight cruiseFlight(int interval, const Swing& swing, double noiseF = 6, char unit = 'F', bool twin = false) {
  std::vector<flight::Channel> channels;
  for (const flight::Engine e : twin ? std::vector{flight::Engine::Left, flight::Engine::Right}
                                     : std::vector{flight::Engine::Only})
    for (int c = 1; c <= kCylinders; ++c) channels.push_back(temperatureChannel(ChannelKind::Egt, c, unit, e));
  const std::size_t swinging = static_cast<std::size_t>(swing.cylinder - 1 + (twin ? kCylinders : 0));
  const auto rows = static_cast<std::size_t>(kMinutes * 60 / interval);
  return builtFlight(channels, rows, interval, [&](std::size_t c, std::size_t r, double t) {
    const double k = static_cast<double>(c);
    double v = 1400 + 12 * k + 25 * std::sin(t / 1200) + (k - 2.5) * 8 * t / 3600 +
               10 * std::sin(2 * std::numbers::pi * t / 900 + k) + noiseF * noise(c, r);
    if (swing.cylinder > 0 && c == swinging && t >= swing.from && t <= swing.to)
      v += swing.amplitude * std::sin(2 * std::numbers::pi * t / swing.period);
    return static_cast<float>(unit == 'C' ? (v - 32) * 5 / 9 : v);
  }, unit);
}

TEST(ValveScreen, ASwingingCylinderIsFoundWithItsAmplitudeAndPeriod) {
  struct Case {
    const char* what;
    int interval;
    Swing swing;
    ValveVerdict verdict;  // of the swinging cylinder; every other one is none
    char unit = 'F';
    double amplitude = 0;  // expected, in the flight's unit; 0: the swing's
    bool twin = false;
  };
  const Case cases[] = {
      {"±40 °F once a minute", 6, {4, 40, 60}, ValveVerdict::Valve},
      {"±40 °F once a minute, 1 s rows", 1, {4, 40, 60}, ValveVerdict::Valve},
      {"±40 °F once a minute, 2 s rows", 2, {2, 40, 60}, ValveVerdict::Valve},
      {"±60 °F every 100 s", 6, {1, 60, 100}, ValveVerdict::Valve},
      {"±35 °F every 110 s", 6, {6, 35, 110}, ValveVerdict::Valve},
      {"±35 °F twice a minute", 6, {3, 35, 32}, ValveVerdict::Valve},
      {"±90 °F every 45 s", 2, {5, 90, 45}, ValveVerdict::Valve},
      {"±150 °F once a minute is no valve", 6, {4, 150, 60}, ValveVerdict::TooLarge},
      {"±15 °F once a minute is too small", 6, {4, 15, 60}, ValveVerdict::None},
      {"a swing only before the cruise", 6, {4, 40, 60, 0, 500}, ValveVerdict::None},
      {"a swing for ten minutes of the cruise", 6, {4, 40, 60, 1200, 1800}, ValveVerdict::Valve},
      {"°C: ±40 °F once a minute", 6, {4, 40, 60}, ValveVerdict::Valve, 'C', 40 * 5.0 / 9},
      {"°C: ±15 °F once a minute", 6, {4, 15, 60}, ValveVerdict::None, 'C', 15 * 5.0 / 9},
      {"twin: ±40 °F once a minute on the right engine", 6, {2, 40, 60}, ValveVerdict::Valve, 'F', 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const analysis::ValveScreen screen = analysis::ScreenValves(cruiseFlight(c.interval, c.swing, 6, c.unit, c.twin), kCruise, {});
    ASSERT_TRUE(screen.judged) << screen.why;
    ASSERT_EQ(screen.cylinders.size(), static_cast<std::size_t>(kCylinders * (c.twin ? 2 : 1)));
    std::string swinging = c.twin ? "RE" : "E";
    swinging += std::to_string(c.swing.cylinder);
    for (const analysis::ValveCylinder& cyl : screen.cylinders) {
      SCOPED_TRACE(cyl.channel);
      if (cyl.channel != swinging) {
        EXPECT_EQ(ValveVerdictName(cyl.verdict), "none") << cyl.amplitude << " " << cyl.period;
        continue;
      }
      EXPECT_EQ(ValveVerdictName(cyl.verdict), ValveVerdictName(c.verdict)) << cyl.amplitude << " " << cyl.period;
      if (c.verdict == ValveVerdict::None) continue;
      const double amplitude = c.amplitude ? c.amplitude : c.swing.amplitude;
      EXPECT_NEAR(cyl.amplitude, amplitude, 0.25 * amplitude);
      EXPECT_NEAR(cyl.period, c.swing.period, 0.2 * c.swing.period);
      EXPECT_GE(cyl.start, 600);
      EXPECT_LE(cyl.end, 3000);
    }
  }
}

TEST(ValveScreen, CleanCruisesFindNothing) {
  struct Case {
    const char* what;
    int interval;
    double noise;
  };
  const Case cases[] = {{"6 s rows, ±6 °F", 6, 6}, {"6 s rows, ±15 °F", 6, 15}, {"1 s rows, ±10 °F", 1, 10},
                        {"2 s rows, ±6 °F", 2, 6}, {"3 s rows, no noise", 3, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const analysis::ValveScreen screen = analysis::ScreenValves(cruiseFlight(c.interval, {}, c.noise), kCruise, {});
    ASSERT_TRUE(screen.judged) << screen.why;
    for (const analysis::ValveCylinder& cyl : screen.cylinders)
      EXPECT_EQ(ValveVerdictName(cyl.verdict), "none") << cyl.channel << " " << cyl.amplitude << " " << cyl.period;
  }
}

TEST(ValveScreen, WhatCannotBeScreenedSaysWhy) {
  struct Case {
    const char* what;
    flight::Flight flight;
    std::vector<PhaseSpan> spans;
    const char* why;
  };
  const Swing swing{4, 40, 60};
  flight::Flight twoEgts = cruiseFlight(6, swing);
  twoEgts.channels.resize(2);
  Case cases[] = {
      {"rows of 10 s", cruiseFlight(10, swing), {kCruise[0]}, "rows of 10 s: the valve screen needs rows of 6 s or less"},
      {"rows of 7 s", cruiseFlight(7, swing), {kCruise[0]}, "rows of 7 s: the valve screen needs rows of 6 s or less"},
      {"no cruise", cruiseFlight(6, swing), {}, "no steady cruise of ten minutes or more"},
      {"a climb only", cruiseFlight(6, swing), {{Phase::Climb, 600, 3000}}, "no steady cruise of ten minutes or more"},
      {"nine minutes of cruise", cruiseFlight(6, swing), {{Phase::Cruise, 600, 1140}},
       "no steady cruise of ten minutes or more"},
      {"two EGTs", twoEgts, {kCruise[0]}, "no engine with three EGT channels or more"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const analysis::ValveScreen screen = analysis::ScreenValves(c.flight, c.spans, {});
    EXPECT_FALSE(screen.judged);
    EXPECT_EQ(screen.why, c.why);
    EXPECT_TRUE(screen.cylinders.empty());
  }
}

TEST(ValveScreen, TheFindingSaysTheSwingAndHowOften) {
  struct Case {
    analysis::ValveCylinder cylinder;
    flight::Unit unit;
    const char* text;
  };
  const Case cases[] = {
      {{"E4", 40.4, 58, ValveVerdict::Valve}, flight::Unit::DegreesF,
       "E4 swings ±40 °F about once a minute in cruise, a pattern seen with a failing exhaust valve — a borescope "
       "look is worth it"},
      {{"LE2", 22.2, 31, ValveVerdict::Valve}, flight::Unit::DegreesC,
       "LE2 swings ±22 °C about twice a minute in cruise, a pattern seen with a failing exhaust valve — a borescope "
       "look is worth it"},
      {{"E1", 55, 118, ValveVerdict::Valve}, flight::Unit::DegreesF,
       "E1 swings ±55 °F about every two minutes in cruise, a pattern seen with a failing exhaust valve — a "
       "borescope look is worth it"},
      {{"E6", 35, 88, ValveVerdict::Valve}, flight::Unit::DegreesF,
       "E6 swings ±35 °F about every 90 seconds in cruise, a pattern seen with a failing exhaust valve — a "
       "borescope look is worth it"},
  };
  for (const Case& c : cases) EXPECT_EQ(analysis::ValveFindingText(c.cylinder, c.unit), c.text);
}

// Through the encoder, the screen over the digest's steady cruise while the
// phases find none.
TEST(ValveScreen, TheSimulatorsFlightsAreJudgedAndFindNothing) {
  struct Case {
    const char* what;
    sim::encode::ProfileLayout layout;
    int interval;
    bool judged;
  };
  const Case cases[] = {
      {"single, 6 s", sim::encode::ProfileLayout::Single, 6, true},
      {"single, 2 s", sim::encode::ProfileLayout::Single, 2, true},
      {"extended, 6 s", sim::encode::ProfileLayout::Extended, 6, true},
      {"twin without RPM and MAP: the phases find its cruise from the fuel flow", sim::encode::ProfileLayout::Twin, 6, true},
      {"single, 10 s", sim::encode::ProfileLayout::Single, 10, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::encode::ProfileOptions o = shortFlight(c.layout, 60);
    o.interval = c.interval;
    TempDir dir;
    const std::vector<std::string> files = expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
    ASSERT_EQ(files.size(), 1u);
    const flight::FlightRead read = flight::OpenFlight(files[0]);
    ASSERT_TRUE(read.ok()) << read.problem;
    const analysis::ValveScreen screen = analysis::ScreenValves(read.value, {});
    EXPECT_EQ(screen.judged, c.judged) << screen.why;
    if (c.judged) {
      EXPECT_FALSE(screen.cylinders.empty());
    }
    for (const analysis::ValveCylinder& cyl : screen.cylinders)
      EXPECT_EQ(ValveVerdictName(cyl.verdict), "none") << cyl.channel << " " << cyl.amplitude << " " << cyl.period;
  }
}

// The digest finds the EGTs' neighbours once and gives them to the sensor
// faults and the valve screen: each must find exactly what it finds alone,
// on one engine or two, with dropouts and with a group too small to screen.
TEST(ValveScreen, TheSharedEgtNeighboursGiveWhatEachFindsAlone) {
  // A twin whose left engine has two EGTs, one dropping out, and whose right
  // engine has six, one swinging and one stepping.
  auto twinWithGaps = [] {
    std::vector<flight::Channel> channels;
    for (int c = 1; c <= 2; ++c) channels.push_back(temperatureChannel(ChannelKind::Egt, c, 'F', flight::Engine::Left));
    for (int c = 1; c <= kCylinders; ++c) channels.push_back(temperatureChannel(ChannelKind::Egt, c, 'F', flight::Engine::Right));
    return builtFlight(channels, 600, 6, [](std::size_t c, std::size_t r, double t) {
      const double k = static_cast<double>(c);
      if (c == 1 && r >= 200 && r < 260) return r % 2 ? 0.0f : std::numeric_limits<float>::quiet_NaN();
      double v = 1380 + 9 * k + 6 * noise(c, r);
      if (c == 4) v += 40 * std::sin(2 * std::numbers::pi * t / 60);
      if (c == 6 && r >= 300 && r < 303) v += 450;
      return static_cast<float>(v);
    });
  };
  const struct Case {
    const char* what;
    flight::Flight flight;
    bool faults, swings;  // whether the case finds any, so that the comparison compares something
  } cases[] = {
      {"one engine, clean", cruiseFlight(6, {}), false, false},
      {"one engine, a swinging cylinder", cruiseFlight(2, {3, 30, 60}), false, true},
      {"a twin in °C, the right engine swinging", cruiseFlight(6, {5, 20, 120, 900, 2400}, 6, 'C', true), false, true},
      {"a twin with dropouts, a step and a two-EGT engine", twinWithGaps(), true, true},
  };
  const analysis::Limits limits;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<analysis::GroupNeighbours> shared =
        analysis::NeighboursOf(c.flight, analysis::CylinderGroups(c.flight, ChannelKind::Egt));
    const std::vector<analysis::SensorFault> alone = analysis::FindSensorFaults(c.flight, limits);
    const std::vector<analysis::SensorFault> given = analysis::FindSensorFaults(c.flight, limits, shared);
    EXPECT_EQ(!alone.empty(), c.faults);
    ASSERT_EQ(given.size(), alone.size());
    for (std::size_t i = 0; i < alone.size(); ++i) {
      EXPECT_EQ(given[i].channel, alone[i].channel);
      EXPECT_EQ(given[i].kind, alone[i].kind);
      EXPECT_EQ(given[i].start, alone[i].start);
      EXPECT_EQ(given[i].end, alone[i].end);
    }
    const analysis::ValveScreen screenAlone = analysis::ScreenValves(c.flight, kCruise, limits);
    const analysis::ValveScreen screenGiven = analysis::ScreenValves(c.flight, kCruise, limits, shared);
    EXPECT_EQ(screenGiven.judged, screenAlone.judged);
    EXPECT_EQ(screenGiven.why, screenAlone.why);
    EXPECT_EQ(std::any_of(screenAlone.cylinders.begin(), screenAlone.cylinders.end(),
                          [](const analysis::ValveCylinder& v) { return v.regular; }),
              c.swings);
    ASSERT_EQ(screenGiven.cylinders.size(), screenAlone.cylinders.size());
    for (std::size_t i = 0; i < screenAlone.cylinders.size(); ++i) {
      const analysis::ValveCylinder &a = screenAlone.cylinders[i], &g = screenGiven.cylinders[i];
      EXPECT_EQ(g.channel, a.channel);
      EXPECT_EQ(g.amplitude, a.amplitude);
      EXPECT_EQ(g.period, a.period);
      EXPECT_EQ(g.start, a.start);
      EXPECT_EQ(g.end, a.end);
      EXPECT_EQ(g.regular, a.regular);
      EXPECT_EQ(g.verdict, a.verdict);
    }
  }
}

}  // namespace
}  // namespace varnix::test
