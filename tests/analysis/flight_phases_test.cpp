// SPDX-License-Identifier: GPL-3.0-or-later
// The phases of a recorded log, of simulated flights and of hand-made ones,
// found from the engine channels alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "analysis/flight_phases.h"
#include "analysis/analysis_registry.h"
#include "analysis/lean_test.h"
#include "analysis/valve_screen.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "phase_flights.h"
#include "shared_logs.h"
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

TEST(FlightPhases, RecordedLogGivesItsAltitudesPhasesFromTheAirDataAndFromTheEngineAlone) {
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
    const char* basis;
  };
  const Case cases[] = {
      {"as recorded", read.value, "airspeed"},
      {"without altitude, speeds and position", withoutChannels(read.value, flightChannel), "rpm_map"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const analysis::FlightPhases p = analysis::FindPhases(c.flight);
    EXPECT_EQ(p.basis, c.basis);
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
  // A normally aspirated climb at full throttle that levels off without a
  // reduction: MAP falls 0.7 in a minute while the heads warm, then holds
  // while they cool in the faster level flight.
  const Leg kFullThrottle{0, 2700, 28, 16, 1300}, kLevel{0, 2700, 23.3, 16, 1301};
  const std::vector<Leg> levelOff = {lasting(kIdle, 300), lasting(kRunup, 60),         lasting(kIdle, 60),
                                     lasting(kFull, 90),  lasting(kFullThrottle, 400), lasting(kLevel, 1200),
                                     lasting(kDown, 600), lasting(kIdle, 240),         lasting(kStopped, 60)};
  std::vector<LegChannel> aspirated = engineChannels();
  aspirated[1].value = [](const Leg& l, double t) { return l.egt == 1300 ? 28 - 0.7 * (t - 510) / 60 : l.map; };
  aspirated.back().value = [](const Leg& l, double t) {
    return l.egt == 1300 ? 380 + 20 * (t - 510) / 400 : l.egt == 1301 ? 385 + 15 * std::exp(-(t - 910) / 120) : 200 + l.egt / 5;
  };
  const Case cases[] = {
      {"every channel", normal, engineChannels(), whole, 1, 1},
      {"levelling off at full throttle", levelOff, aspirated, whole, 1, 1},
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

// What the aircraft did, read from a log's own columns apart from the phase
// rules: airborne where IAS exceeds 50 kt for 30 s (each such run a takeoff and
// a landing), level where the altitude moved under 300 ft across two minutes;
// the cruise is the longest level run (gaps under a minute bridged) lasting
// five minutes.
struct AirTruth {
  std::vector<double> takeoffs, landings;
  double cruiseStart = -1, cruiseEnd = -1;  // -1: no cruise
};

AirTruth airTruth(const flight::Flight& f) {
  AirTruth truth;
  int ias = -1, alt = -1;
  for (std::size_t c = 0; c < f.channels.size(); ++c) {
    const flight::Channel& ch = f.channels[c];
    if (ch.kind == ChannelKind::Airspeed && (ias < 0 || ch.sensor < f.channels[static_cast<std::size_t>(ias)].sensor))
      ias = static_cast<int>(c);
    if (ch.kind == ChannelKind::Altitude && (alt < 0 || ch.sensor > f.channels[static_cast<std::size_t>(alt)].sensor))
      alt = static_cast<int>(c);  // MSL or GPS, not the one the phases prefer
  }
  const std::size_t n = f.rows();
  std::vector<bool> air(n), level(n);
  for (std::size_t r = 0; r < n; ++r) air[r] = ias >= 0 && f.columns[static_cast<std::size_t>(ias)][r] > 50;
  for (std::size_t r = 0; r < n; ++r) {
    const std::size_t a = f.rowAt(f.seconds[r] - 60), b = f.rowAt(f.seconds[r] + 60);
    const float da = f.columns[static_cast<std::size_t>(alt)][a], db = f.columns[static_cast<std::size_t>(alt)][b];
    level[r] = air[r] && std::fabs(db - da) < 300;
  }
  auto runs = [&](const std::vector<bool>& on, double bridge, double shortest) {
    std::vector<std::pair<double, double>> found;
    for (std::size_t r = 0; r < n; ++r) {
      if (!on[r]) continue;
      if (!found.empty() && f.seconds[r] - found.back().second <= bridge) {
        found.back().second = f.seconds[r];
      } else {
        found.push_back({f.seconds[r], f.seconds[r]});
      }
    }
    std::vector<std::pair<double, double>> kept;
    for (const auto& s : found)
      if (s.second - s.first >= shortest) kept.push_back(s);
    return kept;
  };
  for (const auto& [from, to] : runs(air, 5, 30)) truth.takeoffs.push_back(from), truth.landings.push_back(to);
  for (const auto& [from, to] : runs(level, 60, 300))
    if (to - from > truth.cruiseEnd - truth.cruiseStart) truth.cruiseStart = from, truth.cruiseEnd = to;
  return truth;
}

// The longest cruise; {-1, -1} without.
analysis::PhaseSpan longestCruise(const analysis::FlightPhases& p) {
  analysis::PhaseSpan best{Phase::Cruise, -1, -1};
  for (const analysis::PhaseSpan& s : p.of(Phase::Cruise))
    if (s.end - s.start > best.end - best.start) best = s;
  return best;
}

// Where the aircraft came down: the end of each airborne stretch (a takeoff
// to the next ground span or takeoff).
std::vector<double> landingsOf(const analysis::FlightPhases& p) {
  std::vector<double> found;
  bool flying = false;
  for (std::size_t i = 0; i < p.spans.size(); ++i) {
    const Phase ph = p.spans[i].phase;
    if (ph == Phase::Takeoff && flying) found.push_back(p.spans[i].start);
    if (ph == Phase::Takeoff) flying = true;
    if ((ph == Phase::Ground || ph == Phase::Runup) && flying) found.push_back(p.spans[i].start), flying = false;
  }
  if (flying) found.push_back(p.spans.back().end);
  return found;
}

// Every shared log against what its own columns show, as recorded (the air
// data) and without its altitude, speeds and position (the engine-only rule our
// own monitor's files get). Where the engine alone cannot see a boundary the
// row says how far off it is allowed to be, and why.
TEST(FlightPhases, SharedLogsGiveTheTakeoffsCruiseAndLandingTheirColumnsShow) {
  struct Slack {
    double takeoff = 60, cruiseStart = 60, cruiseEnd = 60, landing = 60;
  };
  struct Case {
    const char* file;
    Slack engine;  // the engine-only rule's
  } cases[] = {
      {"log_220417_125002_LFQA.csv", {}},
      // The heads peak 90 s before the level-off, which the cruise is dated back to; the
      // descent is flown at cruise power for 15 minutes: the engine sees it only when MAP and
      // fuel flow come back (887 s late).
      {"log_220417_135002_LFAQ.csv", {60, 120, 900, 60}},
      // The descent begins with MAP back and the fuel flow up (the pilot enriching): not both
      // lower until the final approach (709 s late).
      {"log_220825_142831_LSZC.csv", {60, 60, 720, 60}},
      {"log_20260327_152821_KOAK.csv", {}},
  };
  ASSERT_EQ(std::size(cases), SharedLogs().size());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const flight::FlightRead read = flight::OpenFlight(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/" + c.file);
    ASSERT_TRUE(read.ok()) << read.problem;
    const AirTruth truth = airTruth(read.value);
    ASSERT_FALSE(truth.takeoffs.empty());
    struct Rule {
      const char* name;
      flight::Flight flight;
      Slack slack;
    };
    const Rule rules[] = {{"air data", read.value, Slack{}},
                          {"engine only", withoutChannels(read.value, flightChannel), c.engine}};
    for (const Rule& rule : rules) {
      SCOPED_TRACE(rule.name);
      const analysis::FlightPhases p = analysis::FindPhases(rule.flight);
      const std::vector<analysis::PhaseSpan> takeoffs = p.of(Phase::Takeoff);
      const std::vector<double> landings = landingsOf(p);
      ASSERT_EQ(takeoffs.size(), truth.takeoffs.size()) << phaseList(p);
      ASSERT_EQ(landings.size(), truth.landings.size()) << phaseList(p);
      for (std::size_t i = 0; i < takeoffs.size(); ++i) {
        EXPECT_NEAR(takeoffs[i].start, truth.takeoffs[i], rule.slack.takeoff) << phaseList(p);
        EXPECT_NEAR(landings[i], truth.landings[i], rule.slack.landing) << phaseList(p);
      }
      const analysis::PhaseSpan cruise = longestCruise(p);
      if (truth.cruiseStart < 0) {
        EXPECT_LT(cruise.end - cruise.start, 300) << phaseList(p);
        continue;
      }
      EXPECT_NEAR(cruise.start, truth.cruiseStart, rule.slack.cruiseStart) << phaseList(p);
      EXPECT_NEAR(cruise.end, truth.cruiseEnd, rule.slack.cruiseEnd) << phaseList(p);
    }
  }
}

// The simulator's other flights, against where it put their takeoffs, cruise
// and descent: the shapes the rules were tuned on, then seeds, lengths,
// intervals, engines and layouts they were not.
TEST(FlightPhases, SimulatedShapesGiveEveryTakeoffTheirCruiseAndTheirDescent) {
  using sim::encode::ProfileLayout;
  using sim::encode::ProfileShape;
  struct Case {
    const char* name;
    ProfileShape shape;
    ProfileLayout layout;
    int cylinders, interval;
    double minutes;
    unsigned seed;
  };
  const Case cases[] = {
      {"75 % cruise", ProfileShape::Cruise75, ProfileLayout::Single, 6, 6, 60, 1},
      {"five touch-and-goes", ProfileShape::Circuits, ProfileLayout::Single, 6, 6, 60, 1},
      {"descent at cruise RPM", ProfileShape::PoweredDescent, ProfileLayout::Single, 6, 6, 60, 1},
      // Not tuned on.
      {"75 % cruise, four cylinders at 2 s, 90 min", ProfileShape::Cruise75, ProfileLayout::Single, 4, 2, 90, 5},
      {"75 % cruise, twin", ProfileShape::Cruise75, ProfileLayout::Twin, 6, 6, 75, 9},
      {"touch-and-goes at 1 s, 70 min", ProfileShape::Circuits, ProfileLayout::Single, 6, 1, 70, 3},
      {"touch-and-goes, four cylinders, extended", ProfileShape::Circuits, ProfileLayout::Extended, 4, 2, 55, 11},
      {"touch-and-goes, twin", ProfileShape::Circuits, ProfileLayout::Twin, 4, 6, 65, 4},
      {"descent at cruise RPM, four cylinders at 1 s", ProfileShape::PoweredDescent, ProfileLayout::Single, 4, 1, 45, 8},
      {"descent at cruise RPM, 2 h at 6 s", ProfileShape::PoweredDescent, ProfileLayout::Extended, 6, 6, 120, 2},
      {"plain, seed 13 at 1 s", ProfileShape::Standard, ProfileLayout::Single, 6, 1, 50, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::encode::ProfileOptions o = shortFlight(c.layout, c.minutes);
    o.shape = c.shape;
    o.cylinders = c.cylinders;
    o.interval = c.interval;
    o.seed = c.seed;
    std::vector<sim::encode::ProfileEvents> truth;
    TempDir dir;
    const std::vector<std::string> files =
        expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1, "N123AB", &truth)));
    ASSERT_EQ(files.size(), 1u);
    const flight::FlightRead read = flight::OpenFlight(files[0]);
    ASSERT_TRUE(read.ok()) << read.problem;
    const analysis::FlightPhases p = analysis::FindPhases(read.value);
    const sim::encode::ProfileEvents& said = truth[0];
    const std::vector<analysis::PhaseSpan> takeoffs = p.of(Phase::Takeoff);
    ASSERT_EQ(takeoffs.size(), said.takeoffs.size()) << phaseList(p);
    for (std::size_t i = 0; i < takeoffs.size(); ++i) EXPECT_NEAR(takeoffs[i].start, said.takeoffs[i], 60) << phaseList(p);
    if (c.shape == ProfileShape::Circuits) {
      // Each circuit climbs and comes down again before its touch-and-go; by
      // fuel flow alone (the twin) an approach at 30 % of the takeoff's flow
      // is not told from the ground.
      EXPECT_EQ(p.of(Phase::Climb).size(), said.takeoffs.size()) << phaseList(p);
      if (p.basis != "fuel_flow") {
        EXPECT_EQ(p.of(Phase::Descent).size(), said.takeoffs.size()) << phaseList(p);
      }
      continue;
    }
    const analysis::PhaseSpan cruise = longestCruise(p);
    EXPECT_NEAR(cruise.start, said.cruiseStart, 60) << phaseList(p);
    EXPECT_NEAR(cruise.end, said.cruiseEnd, 60) << phaseList(p);
    const std::vector<analysis::PhaseSpan> descents = p.of(Phase::Descent);
    ASSERT_FALSE(descents.empty()) << phaseList(p);
    EXPECT_NEAR(descents.back().start, said.descentStart, 60) << phaseList(p);
    EXPECT_NEAR(descents.back().end, said.descentEnd, 60) << phaseList(p);
  }
}

// The lean test and the valve screen look only inside the cruise: on the 75 %
// rich-of-peak cruise they get it, and find the sweep and the swinging EGT the
// simulator put there.
TEST(FlightPhases, TheCruiseAt75PercentHoldsItsLeanTestAndValveScreen) {
  struct Case {
    const char* name;
    int cylinders, interval;
    double minutes;
    unsigned seed;
  };
  const Case cases[] = {
      {"six cylinders at 6 s", 6, 6, 60, 1},
      {"four cylinders at 2 s, 80 min", 4, 2, 80, 6},  // not tuned on
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::encode::ProfileOptions o = shortFlight(sim::encode::ProfileLayout::Single, c.minutes);
    o.shape = sim::encode::ProfileShape::Cruise75;
    o.cylinders = c.cylinders;
    o.interval = c.interval;
    o.seed = c.seed;
    o.events.lean = o.events.valve = true;
    std::vector<sim::encode::ProfileEvents> truth;
    TempDir dir;
    const std::vector<std::string> files =
        expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1, "N123AB", &truth)));
    ASSERT_EQ(files.size(), 1u);
    const flight::FlightRead read = flight::OpenFlight(files[0]);
    ASSERT_TRUE(read.ok()) << read.problem;
    const analysis::FlightPhases p = analysis::FindPhases(read.value);
    const std::vector<analysis::PhaseSpan> cruise = p.of(Phase::Cruise);
    ASSERT_FALSE(cruise.empty()) << phaseList(p);
    const std::vector<analysis::LeanTest> lean = analysis::FindLeanTests(read.value, analysis::DefaultLimits(), cruise);
    ASSERT_EQ(lean.size(), 1u) << phaseList(p);
    EXPECT_NEAR(lean[0].start_s, truth[0].lean.sweepStart, 60);
    const analysis::ValveScreen valves = analysis::ScreenValves(read.value, p.spans, analysis::DefaultLimits());
    ASSERT_TRUE(valves.judged) << valves.why;
    char swinging[8];
    std::snprintf(swinging, sizeof swinging, "E%d", truth[0].valve.cylinder);
    for (const analysis::ValveCylinder& v : valves.cylinders)
      EXPECT_EQ(v.verdict == analysis::ValveVerdict::Valve, v.channel == swinging) << v.channel;
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
