// SPDX-License-Identifier: GPL-3.0-or-later
// The phases of a recorded log, of simulated flights and of hand-made ones,
// found from the engine channels alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/flight_phases.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "phase_flights.h"
#include "support/dump_builder.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using flight::ChannelKind;
using analysis::FlightEventKind;
using analysis::Phase;

std::string phaseList(const analysis::FlightPhases& p) {
  std::string s;
  for (const analysis::PhaseSpan& x : p.spans) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%s %.0f-%.0f; ", std::string(analysis::PhaseName(x.phase)).c_str(), x.start, x.end);
    s += buf;
  }
  for (const analysis::FlightEvent& e : p.events) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%s %.0f; ", std::string(analysis::EventName(e.kind)).c_str(), e.at);
    s += buf;
  }
  return s;
}

// The phases after the engine start, without the ground and the run-up.
std::vector<analysis::PhaseSpan> airborne(const analysis::FlightPhases& p) {
  std::vector<analysis::PhaseSpan> a;
  for (const analysis::PhaseSpan& s : p.spans)
    if (s.phase != Phase::Ground && s.phase != Phase::Runup) a.push_back(s);
  return a;
}

struct Expected {
  Phase phase;
  double start, end;  // seconds from the first row
};

void expectSpans(const std::vector<analysis::PhaseSpan>& found, const std::vector<Expected>& expected, double slack,
                 const std::string& all) {
  ASSERT_EQ(found.size(), expected.size()) << all;
  for (std::size_t i = 0; i < found.size(); ++i) {
    SCOPED_TRACE(std::string(analysis::PhaseName(expected[i].phase)));
    EXPECT_EQ(found[i].phase, expected[i].phase) << all;
    EXPECT_NEAR(found[i].start, expected[i].start, slack) << all;
    EXPECT_NEAR(found[i].end, expected[i].end, slack) << all;
  }
}

bool flightChannel(const flight::Channel& c) {
  return c.group() == flight::ChannelGroup::Flight || c.group() == flight::ChannelGroup::Position;
}

TEST(FlightPhases, RecordedLogGivesItsAltitudesPhasesFromTheEngineAlone) {
  const flight::FlightRead read =
      flight::OpenFlight(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_220417_125002_LFQA.csv");
  ASSERT_TRUE(read.ok()) << read.problem;
  // Read by hand from the log's AltMSL, VSpd and IAS columns, in seconds
  // from its first row (clock 12:48:43 in the Lcl Time column):
  //   658  full power (RPM 2403, IAS alive a second later): the takeoff run
  //   677  lift-off: AltMSL leaves the 300 ft of the field (IAS 86)
  //   948  level at 4,520 ft (VSpd under 300 fpm, 13:04:31); leaned at 1,013
  //   2278 AltMSL leaves 4,490 ft and falls at 900 fpm (13:26:39); the power
  //        reduction at 2,117 was a slow-down in level flight
  //   2673 touchdown at 352 ft, IAS 68 and falling (13:33:16)
  // The takeoff is the first minute of takeoff power, so it ends near 718.
  const std::vector<Expected> expected = {
      {Phase::Takeoff, 658, 718}, {Phase::Climb, 718, 948}, {Phase::Cruise, 948, 2278}, {Phase::Descent, 2278, 2673}};
  struct Case {
    const char* name;
    flight::Flight flight;
  };
  const Case cases[] = {
      {"as recorded", read.value},
      {"without altitude, speeds and position", withoutChannels(read.value, flightChannel)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const analysis::FlightPhases p = analysis::FindPhases(c.flight);
    EXPECT_EQ(p.basis, "rpm_map");
    expectSpans(airborne(p), expected, 60, phaseList(p));
    ASSERT_EQ(p.of(Phase::Runup).size(), 1u) << phaseList(p);
    EXPECT_NEAR(p.of(Phase::Runup)[0].start, 444, 10);  // RPM 1,690 for 20 s at 12:56:07
    ASSERT_EQ(p.events.size(), 2u) << phaseList(p);
    EXPECT_EQ(p.events[0].kind, FlightEventKind::EngineStart);
    EXPECT_NEAR(p.events[0].at, 111, 5);  // the first RPM
    EXPECT_EQ(p.events[1].kind, FlightEventKind::Shutdown);
    EXPECT_EQ(p.events[1].at, c.flight.seconds.back());  // the log ends with the engine idling
  }
}

// The simulator's flight: taxi 7%, run-up 2%, a rich climb 16%, a leaned
// cruise 58%, descent 12%, landing and taxi 5% of its time.
TEST(FlightPhases, SimulatedFlightsGiveTheProfilesPhases) {
  struct Case {
    const char* name;
    sim::encode::ProfileLayout layout;
    int interval;
    double minutes;
    int fuelUnit;
    const char* basis;
  };
  const Case cases[] = {
      {"single, an hour at 6 s", sim::encode::ProfileLayout::Single, 6, 60, 0, "rpm_map"},
      {"single, 90 minutes at 2 s in litres", sim::encode::ProfileLayout::Single, 2, 90, 1, "rpm_map"},
      {"extended, 40 minutes at 4 s", sim::encode::ProfileLayout::Extended, 4, 40, 0, "rpm_map"},
      {"twin, fuel flow alone", sim::encode::ProfileLayout::Twin, 6, 60, 0, "fuel_flow"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::encode::ProfileOptions o = shortFlight(c.layout, c.minutes);
    o.interval = c.interval;
    o.fuelUnit = c.fuelUnit;
    TempDir dir;
    const std::vector<std::string> files = expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
    ASSERT_EQ(files.size(), 1u);
    const flight::FlightRead read = flight::OpenFlight(files[0]);
    ASSERT_TRUE(read.ok()) << read.problem;
    const analysis::FlightPhases p = analysis::FindPhases(read.value);
    EXPECT_EQ(p.basis, c.basis);
    const double t = c.minutes * 60;
    const std::vector<Expected> expected = {{Phase::Ground, 0, 0.07 * t},
                                            {Phase::Runup, 0.07 * t, 0.09 * t},
                                            {Phase::Takeoff, 0.09 * t, 0.09 * t + 60},
                                            {Phase::Climb, 0.09 * t + 60, 0.25 * t},
                                            {Phase::Cruise, 0.25 * t, 0.83 * t},
                                            {Phase::Descent, 0.83 * t, 0.95 * t},
                                            {Phase::Ground, 0.95 * t, read.value.seconds.back()}};
    expectSpans(p.spans, expected, 60, phaseList(p));
  }
}

// Legs of a small flight: idle 1,000 rpm, run-up 1,800, takeoff 2,700 and
// 29 in, climb 2,600 and 26 in, cruise 2,400 and 22 in leaned, descent
// 2,200 and 15 in; four-cylinder fuel flows.
constexpr Leg kIdle{0, 1000, 13, 3, 1000}, kRunup{0, 1800, 18, 6, 1200}, kFull{0, 2700, 29, 16, 1300},
    kClimb{0, 2600, 26, 14, 1320}, kCruise{0, 2400, 22, 9, 1420}, kDown{0, 2200, 15, 5.5, 1150},
    kStopped{0, 0, 29.5, 0, 200};
Leg lasting(Leg l, double seconds) {
  l.seconds = seconds;
  return l;
}

TEST(FlightPhases, HandMadeFlightsGiveEachPhaseOnceAndNoFlicker) {
  struct Case {
    const char* name;
    std::vector<Leg> legs;
    std::vector<LegChannel> channels;
    std::vector<Phase> phases;
    int starts, shutdowns;
  };
  const std::vector<Phase> whole = {Phase::Ground, Phase::Runup, Phase::Ground, Phase::Takeoff, Phase::Climb,
                                    Phase::Cruise, Phase::Descent, Phase::Ground};
  const std::vector<Leg> normal = {lasting(kIdle, 300), lasting(kRunup, 60),  lasting(kIdle, 60),
                                   lasting(kFull, 90),  lasting(kClimb, 400), lasting(kCruise, 1200),
                                   lasting(kDown, 600), lasting(kIdle, 240),  lasting(kStopped, 60)};
  // Power and fuel flow hunting around each threshold, row by row.
  std::vector<LegChannel> hunting = engineChannels();
  hunting[0].value = [](const Leg& l, double t) { return l.rpm + (static_cast<long>(t / 6) % 2 ? 120 : -120); };
  hunting[2].value = [](const Leg& l, double t) { return l.flow * (static_cast<long>(t / 6) % 2 ? 1.12 : 0.88); };
  std::vector<Leg> touchAndGoes = {lasting(kIdle, 300), lasting(kRunup, 60), lasting(kIdle, 60)};
  for (int circuit = 0; circuit < 3; ++circuit)
    for (const Leg& l : {lasting(kFull, 90), lasting(kClimb, 240), lasting(kCruise, 240), lasting(kDown, 240),
                         lasting(kIdle, 12)})
      touchAndGoes.push_back(l);
  touchAndGoes.push_back(lasting(kIdle, 240));
  std::vector<Phase> circuits = {Phase::Ground, Phase::Runup, Phase::Ground};
  for (int circuit = 0; circuit < 3; ++circuit)
    for (Phase p : {Phase::Takeoff, Phase::Climb, Phase::Cruise, Phase::Descent}) circuits.push_back(p);
  circuits.push_back(Phase::Ground);
  const std::vector<Leg> twoFlights = {lasting(kIdle, 200), lasting(kFull, 90),  lasting(kClimb, 300),
                                       lasting(kCruise, 600), lasting(kDown, 300), lasting(kIdle, 120),
                                       lasting(kStopped, 300), lasting(kIdle, 200), lasting(kFull, 90),
                                       lasting(kClimb, 300), lasting(kCruise, 600), lasting(kDown, 300),
                                       lasting(kIdle, 120)};
  const std::vector<Phase> twice = {Phase::Ground, Phase::Takeoff, Phase::Climb,  Phase::Cruise, Phase::Descent,
                                    Phase::Ground, Phase::Ground,  Phase::Takeoff, Phase::Climb, Phase::Cruise,
                                    Phase::Descent, Phase::Ground};
  const Case cases[] = {
      {"every channel", normal, engineChannels(), whole, 1, 1},
      {"hunting RPM and fuel flow", normal, hunting, whole, 1, 1},
      {"no fuel flow", normal, engineChannels(true, true, false), whole, 1, 1},
      {"no MAP", normal, engineChannels(true, false, true), whole, 1, 1},
      {"fuel flow alone", normal, engineChannels(false, false, true), whole, 1, 1},
      {"three touch-and-goes", touchAndGoes, engineChannels(), circuits, 1, 1},
      {"two flights with a stop between", twoFlights, engineChannels(), twice, 2, 2},
      {"12 s of full power on the ground", {lasting(kIdle, 300), lasting(kFull, 12), lasting(kIdle, 300)},
       engineChannels(), {Phase::Ground}, 1, 1},
      {"a descent idling for 18 s", {lasting(kIdle, 200), lasting(kFull, 90), lasting(kClimb, 300),
                                     lasting(kCruise, 600), lasting(kDown, 200), lasting(kIdle, 18),
                                     lasting(kDown, 200), lasting(kIdle, 120)},
       engineChannels(), {Phase::Ground, Phase::Takeoff, Phase::Climb, Phase::Cruise, Phase::Descent, Phase::Ground},
       1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const analysis::FlightPhases p = analysis::FindPhases(legFlight(c.legs, c.channels));
    std::vector<Phase> found;
    for (const analysis::PhaseSpan& s : p.spans) found.push_back(s.phase);
    EXPECT_EQ(found, c.phases) << phaseList(p);
    int starts = 0, shutdowns = 0;
    for (const analysis::FlightEvent& e : p.events) ++(e.kind == FlightEventKind::EngineStart ? starts : shutdowns);
    EXPECT_EQ(starts, c.starts) << phaseList(p);
    EXPECT_EQ(shutdowns, c.shutdowns) << phaseList(p);
    for (std::size_t i = 1; i < p.spans.size(); ++i) EXPECT_GE(p.spans[i].start, p.spans[i - 1].end) << phaseList(p);
  }
}

TEST(FlightPhases, WithoutPowerOrARunningEngineThereAreNoPhasesAndASayWhy) {
  struct Case {
    const char* name;
    std::vector<Leg> legs;
    std::vector<LegChannel> channels;
    const char* why;
  };
  const Case cases[] = {
      {"temperatures only", {lasting(kCruise, 600)}, engineChannels(false, false, false),
       "no RPM, MAP, power or fuel flow channel"},
      {"engine never turning", {lasting(kStopped, 600)}, engineChannels(), "the engine never runs"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const analysis::FlightPhases p = analysis::FindPhases(legFlight(c.legs, c.channels));
    EXPECT_TRUE(p.spans.empty());
    EXPECT_TRUE(p.events.empty());
    EXPECT_EQ(p.basis, "");
    EXPECT_EQ(p.why, c.why);
  }
}

TEST(FlightPhases, FiguresAddUpEachSpansFuelAndTemperatures) {
  // Two legs of known flow and EGT: 600 s at 12 GPH and 1,400 °F, 600 s at 6 GPH and 1,200 °F.
  const std::vector<Leg> legs = {{600, 2400, 22, 12, 1400}, {600, 2400, 22, 6, 1200}};
  const analysis::PhaseSpan spans[] = {{Phase::Cruise, 0, 600}, {Phase::Descent, 600, 1194}};
  struct Case {
    const char* name;
    std::vector<LegChannel> channels;
    double fuel[2], maxCht[2], meanEgt[2];
  };
  const double nan = std::nan("");
  const Case cases[] = {
      {"every channel", engineChannels(), {2.0, 594 * 6 / 3600.0}, {200 + 1400 / 5.0, 200 + 1200 / 5.0}, {1425, 1225}},
      {"no fuel flow", engineChannels(true, true, false), {nan, nan}, {200 + 1400 / 5.0, 200 + 1200 / 5.0}, {1425, 1225}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<analysis::PhaseFigures> f = analysis::PhaseFiguresOf(legFlight(legs, c.channels), spans);
    ASSERT_EQ(f.size(), 2u);
    for (int i = 0; i < 2; ++i) {
      EXPECT_EQ(f[i].phase, spans[i].phase);
      EXPECT_EQ(f[i].start_s, spans[i].start);
      EXPECT_EQ(f[i].end_s, spans[i].end);
      if (std::isnan(c.fuel[i]))
        EXPECT_TRUE(std::isnan(f[i].fuel));
      else
        EXPECT_NEAR(f[i].fuel, c.fuel[i], 1e-6);
      EXPECT_NEAR(f[i].max_cht, c.maxCht[i], 1e-3);
      EXPECT_NEAR(f[i].mean_egt, c.meanEgt[i], 1e-3);
      EXPECT_TRUE(std::isnan(f[i].mean_power));  // no recorded power channel
    }
  }
}

// The rows of a span, which the lean test and the magneto check work in:
// its ends included, a span between two rows or beyond the flight has none.
TEST(FlightPhases, TheRowsOfASpanAreThoseWithinItEndsIncluded) {
  flight::Flight f;
  f.seconds = {0, 6, 12, 18, 24};
  const struct {
    double start, end;
    bool any;
    std::size_t first, last;
  } cases[] = {
      {0, 24, true, 0, 4}, {6, 18, true, 1, 3}, {5, 13, true, 1, 2}, {7, 11, false, 0, 0},
      {-10, 0, true, 0, 0}, {24, 99, true, 4, 4}, {25, 99, false, 0, 0}, {12, 12, true, 2, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.start) + " to " + std::to_string(c.end));
    std::size_t first = 0, last = 0;
    ASSERT_EQ(analysis::RowsWithin(f, c.start, c.end, &first, &last), c.any);
    if (!c.any) continue;
    EXPECT_EQ(first, c.first);
    EXPECT_EQ(last, c.last);
  }
}

}  // namespace
}  // namespace varnix::test
