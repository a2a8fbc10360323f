// SPDX-License-Identifier: GPL-3.0-or-later
// The magneto check on built ground runs: taxi, a run-up at 1800 RPM with
// one interval on each magneto, taxi again and the takeoff.
#include <gtest/gtest.h>

#include <cmath>
#include <iterator>
#include <tuple>

#include "analysis/mag_check.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "lean_mag_flights.h"
#include "shared_logs.h"
#include "support/dump_builder.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using flight::ChannelKind;
using analysis::MagVerdict;
using flight::Unit;

constexpr double kLeftAt = 90, kRightAt = 120;  // the switch to one magneto

struct Magneto {
  double drop = 0;                // RPM
  std::vector<double> rises;      // °F per cylinder
  bool erratic = false;           // every EGT swinging up by its rise and down by 0.4 of it, row after row
  double mapChange = 0;           // in Hg fallen: the throttle, not a magneto (negative: risen, the propeller)
  bool vShaped = false;           // RPM falling to the drop and back at once, as the propeller or throttle moves it
};

struct RunupPlan {
  double interval = 1;
  double seconds = 10;  // on each magneto
  Magneto left, right;
  char engineUnit = 'F';
  bool runup = true;    // false: from taxi straight to the takeoff
};

// 1 at [from, to], ramping in half a second before and after.
double step(double t, double from, double to, double ramp) {
  if (t < from - ramp || t > to + ramp) return 0;
  if (t < from) return (t - from + ramp) / ramp;
  if (t > to) return (to + ramp - t) / ramp;
  return 1;
}

std::vector<BuiltChannel> runupChannels(const RunupPlan& p) {
  const double held = p.runup ? 1800 : 1000;
  auto power = [=](double t, double taxi, double run, double takeoff) {
    if (t >= 200) return takeoff;
    const double up = p.runup ? step(t, 65, 150, 5) : 0;
    return taxi + (run - taxi) * up;
  };
  const double dur = p.seconds;
  auto on = [=](double t, double at) { return step(t, at + 0.5, at + dur, 0.5); };
  // A V from the switch to its deepest half way and back.
  auto vee = [=](double t, double at) { return std::max(0.0, 1 - std::fabs(t - at - dur / 2) / (dur / 2)); };
  // The EGT follows a switch in two seconds.
  auto egtOn = [=](double t, double at) { return step(t, at + 2.5, at + dur, 2); };
  std::vector<BuiltChannel> channels;
  const bool celsius = p.engineUnit == 'C';
  for (std::size_t c = 0; c < p.left.rises.size(); ++c) {
    const Magneto l = p.left, r = p.right;
    channels.push_back({egtChannel(static_cast<int>(c) + 1, celsius ? Unit::DegreesC : Unit::DegreesF),
                        [=](double t) {
                          auto rise = [&](const Magneto& m, double at) {
                            const double sign = m.erratic ? (static_cast<long>(t) % 2 ? 1 : -0.4) : 1;
                            return sign * m.rises[c] * egtOn(t, at);
                          };
                          const double f = power(t, 1100, 1250, 1350) + 10.0 * static_cast<double>(c) +
                                           rise(l, kLeftAt) + rise(r, kRightAt);
                          return celsius ? (f - 32) * 5 / 9 : f;
                        },
                        2, 1});
  }
  const Magneto l = p.left, r = p.right;
  channels.push_back({plainChannel("RPM", ChannelKind::Rpm, Unit::Rpm),
                      [=](double t) {
                        auto dip = [&](const Magneto& m, double at) { return m.drop * (m.vShaped ? vee(t, at) : on(t, at)); };
                        return power(t, 1000, held, 2700) - dip(l, kLeftAt) - dip(r, kRightAt);
                      },
                      3, 1});
  channels.push_back({plainChannel("MAP", ChannelKind::Map, Unit::InchesHg),
                      [=](double t) {
                        return power(t, 12, 20, 29) - l.mapChange * on(t, kLeftAt) - r.mapChange * on(t, kRightAt);
                      },
                      0.05, 0.1});
  channels.push_back({plainChannel("FF", ChannelKind::FuelFlow, Unit::GallonsPerHour),
                      [=](double t) { return power(t, 3, 6, 18); }, 0.05, 0.1});
  return channels;
}

flight::Flight runupFlight(const RunupPlan& p) { return BuildFlight(260, p.interval, runupChannels(p), p.engineUnit); }

// A twin whose left engine runs `left` and right engine `right` at the same time.
flight::Flight twinRunup(const RunupPlan& left, const RunupPlan& right) {
  std::vector<BuiltChannel> channels;
  for (const auto& [plan, engine, prefix] : {std::tuple{&left, flight::Engine::Left, "L"}, {&right, flight::Engine::Right, "R"}})
    for (BuiltChannel c : runupChannels(*plan)) {
      c.channel.engine = engine;
      c.channel.name = prefix + c.channel.name;
      channels.push_back(std::move(c));
    }
  return BuildFlight(260, left.interval, channels);
}

const std::vector<double> kNormal = {50, 60, 45, 70};

TEST(MagCheck, EachIntervalOnOneMagnetoIsJudged) {
  struct Case {
    const char* what;
    RunupPlan plan;
    std::vector<MagVerdict> verdicts;
    std::vector<const char*> cautions = {};  // one per interval found, "" for none
    bool search = false;                     // the run-up found, not given
    std::vector<const char*> others = {};    // what the dips that are no check were taken for
    std::vector<const char*> evidence = {};  // how each check's evidence starts
  };
  auto plan = [](double interval, Magneto left, Magneto right, double seconds = 10) {
    RunupPlan p;
    p.interval = interval;
    p.seconds = seconds;
    p.left = std::move(left);
    p.right = std::move(right);
    return p;
  };
  const std::string differ60 = "the magnetos' drops differ by 60, more than 50";
  const std::string both = "RPM drop 229 is more than 175; the magnetos' drops differ by 120, more than 50";
  const std::string differ120 = "the magnetos' drops differ by 120, more than 50";
  // (The built 230 comes out 229 from the noise of the rows.)
  // 30 °F is 16.7 °C: above the least rise only once that is converted too.
  RunupPlan celsius = plan(1, {100, {30, 60, 45, 70}}, {110, kNormal});
  celsius.engineUnit = 'C';
  RunupPlan noRunup = plan(1, {0, kNormal}, {0, kNormal});
  noRunup.runup = false;
  const Case cases[] = {
      {"both normal", plan(1, {100, kNormal}, {110, kNormal}), {MagVerdict::Normal, MagVerdict::Normal}, {"", ""}, false,
       {}, {"every EGT rose 4", "every EGT rose 4"}},
      {"both normal at 2 s", plan(2, {100, kNormal}, {110, kNormal}), {MagVerdict::Normal, MagVerdict::Normal}},
      {"both normal at 6 s", plan(6, {100, kNormal}, {110, kNormal}, 12), {MagVerdict::Normal, MagVerdict::Normal}},
      {"checks of 2 s at 1 s rows", plan(1, {100, kNormal}, {110, kNormal}, 2.5), {MagVerdict::Normal, MagVerdict::Normal}},
      {"every EGT rising 20-25 °F", plan(1, {100, {22, 20, 25, 21}}, {110, {24, 21, 20, 23}}, 3),
       {MagVerdict::Normal, MagVerdict::Normal}},
      {"a dip of one row at 1 s rows", plan(1, {100, kNormal}, {110, kNormal}, 1), {}},
      {"a cylinder falling", plan(1, {100, kNormal}, {110, {50, 60, -80, 70}}), {MagVerdict::Normal, MagVerdict::Plug}, {},
       false, {}, {"every EGT", "E3 fell 8"}},
      {"a cylinder not rising", plan(2, {100, {50, 5, 45, 70}}, {110, kNormal}), {MagVerdict::Plug, MagVerdict::Normal}, {},
       false, {}, {"E2 rose only "}},
      {"every cylinder falling: no magneto check", plan(1, {100, kNormal}, {110, {-40, -50, -30, -45}}),
       {MagVerdict::Normal}, {}, false, {"egt_fell"}},
      {"three of four rising too much", plan(1, {100, {200, 210, 60, 190}}, {110, kNormal}),
       {MagVerdict::Magneto, MagVerdict::Normal}, {}, false, {}, {"E1, E2, E4 rose 19"}},
      // Up 100 and down 40: the mean rise alone would pass.
      {"every cylinder erratic", plan(1, {100, kNormal}, {110, {100, 100, 100, 100}, true}),
       {MagVerdict::Normal, MagVerdict::Magneto}, {}, false, {}, {"every EGT", "E1, E2, E3, E4 swung up and down"}},
      {"drops 80 and 140", plan(1, {80, kNormal}, {140, kNormal}), {MagVerdict::Normal, MagVerdict::Normal},
       {differ60.c_str(), differ60.c_str()}},
      {"a drop of 230", plan(1, {230, kNormal}, {110, kNormal}), {MagVerdict::Normal, MagVerdict::Normal},
       {both.c_str(), differ120.c_str()}},
      {"one row on each magneto at 6 s rows", plan(6, {100, kNormal}, {110, kNormal}, 7),
       {MagVerdict::TooCoarse, MagVerdict::TooCoarse}, {"", ""}},
      {"no magneto switched", plan(1, {0, kNormal}, {0, kNormal}), {}},
      {"the throttle, then a magneto", plan(1, {150, kNormal, false, 2}, {110, kNormal}), {MagVerdict::Normal}, {}, false,
       {"throttle"}},
      {"the propeller cycled, then a magneto", plan(1, {300, kNormal, false, -2, true}, {110, kNormal}),
       {MagVerdict::Normal}, {}, false, {"propeller"}},
      {"a V-shaped dip with MAP held", plan(1, {300, kNormal, false, 0, true}, {110, kNormal}), {MagVerdict::Normal}, {},
       false, {"unsteady_rpm"}},
      {"degrees Celsius", celsius, {MagVerdict::Normal, MagVerdict::Normal}},
      {"the run-up found", plan(1, {100, kNormal}, {110, kNormal}), {MagVerdict::Normal, MagVerdict::Normal}, {},
       true},
      {"the run-up found at 6 s", plan(6, {100, kNormal}, {110, {50, 60, -80, 70}}, 12),
       {MagVerdict::Normal, MagVerdict::Plug}, {}, true},
      {"no run-up to find", noRunup, {}, {}, true},
  };
  const analysis::PhaseSpan runup[] = {{analysis::Phase::Runup, 62, 152}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const flight::Flight f = runupFlight(c.plan);
    const analysis::RunupReading read = c.search ? analysis::ReadRunup(f, analysis::Limits{}, analysis::FlightPhases{})
                                                 : analysis::ReadRunup(f, analysis::Limits{}, runup);
    const auto& checks = read.checks;
    ASSERT_EQ(checks.size(), c.verdicts.size());
    for (std::size_t k = 0; k < checks.size(); ++k) {
      EXPECT_EQ(checks[k].verdict, c.verdicts[k]) << k << ": " << MagVerdictName(checks[k].verdict) << ", "
                                                  << checks[k].evidence;
      if (k < c.cautions.size()) {
        EXPECT_EQ(checks[k].caution, c.cautions[k]) << k;
      }
      if (k < c.evidence.size()) {
        EXPECT_EQ(checks[k].evidence.rfind(c.evidence[k], 0), 0u) << k << ": " << checks[k].evidence;
      }
      EXPECT_EQ(checks[k].rises.size(), c.plan.left.rises.size());
    }
    ASSERT_EQ(read.others.size(), c.others.size());
    for (std::size_t k = 0; k < read.others.size(); ++k) EXPECT_EQ(read.others[k].taken_for, c.others[k]) << k;
  }
  // The same as CheckMagnetos gives.
  EXPECT_EQ(analysis::CheckMagnetos(runupFlight(cases[0].plan), analysis::Limits{}, runup).size(), 2u);
}

TEST(MagCheck, DropAndRisesAreMeasuredFromTheBothMagnetoLevel) {
  for (double interval : {1.0, 2.0, 6.0}) {
    SCOPED_TRACE(interval);
    RunupPlan p;
    p.interval = interval;
    p.seconds = 12;
    p.left = {100, kNormal};
    p.right = {140, {30, 90, 120, 20}};
    const analysis::PhaseSpan runup[] = {{analysis::Phase::Runup, 62, 152}};
    const auto checks = analysis::CheckMagnetos(runupFlight(p), analysis::Limits{}, runup);
    ASSERT_EQ(checks.size(), 2u);
    const Magneto* built[] = {&p.left, &p.right};
    const double at[] = {kLeftAt, kRightAt};
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_NEAR(checks[k].rpm_drop, built[k]->drop, 8) << k;
      EXPECT_NEAR(checks[k].start_s, at[k], interval) << k;
      EXPECT_NEAR(checks[k].end_s, at[k] + p.seconds, interval) << k;
      for (std::size_t c = 0; c < 4; ++c) {
        EXPECT_EQ(checks[k].rises[c].channel, egtChannel(static_cast<int>(c) + 1).name);
        // The EGT takes two seconds to follow the switch.
        EXPECT_NEAR(checks[k].rises[c].rise, built[k]->rises[c], 5 + built[k]->rises[c] * 0.15) << k << " E" << c + 1;
      }
    }
  }
}

TEST(MagCheck, TheRunupIsFoundBeforeTheTakeoff) {
  struct Case {
    double interval;
    bool runup;
    std::size_t found;
  };
  const Case cases[] = {{1, true, 1}, {6, true, 1}, {1, false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.interval << " s, run-up " << c.runup);
    RunupPlan p;
    p.interval = c.interval;
    p.runup = c.runup;
    p.left = {100, kNormal};
    p.right = {110, kNormal};
    const auto spans = analysis::FindRunup(runupFlight(p));
    ASSERT_EQ(spans.size(), c.found);
    if (c.found) {
      EXPECT_NEAR(spans[0].start, 65, c.interval + 3);
      EXPECT_NEAR(spans[0].end, 150, c.interval + 3);
    }
  }
}

// A recorded run-up at 1720 RPM, one row a second: two intervals of three
// rows, the second's first row only 29.5 below the level.
TEST(MagCheck, TheAvionicsLogsRunupGivesBothIntervals) {
  const flight::FlightRead read =
      flight::OpenFlight(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_220417_125002_LFQA.csv");
  ASSERT_TRUE(read.ok()) << read.problem;
  const auto checks = analysis::CheckMagnetos(read.value, analysis::Limits{});
  struct Interval {
    double start, drop;
  };
  const Interval intervals[] = {{448, 39}, {453, 35}};
  ASSERT_EQ(checks.size(), std::size(intervals));
  for (std::size_t k = 0; k < checks.size(); ++k) {
    EXPECT_NEAR(checks[k].start_s, intervals[k].start, 1) << k;
    EXPECT_NEAR(checks[k].rpm_drop, intervals[k].drop, 3) << k;
    EXPECT_EQ(checks[k].rows, 3) << k;
    EXPECT_EQ(checks[k].rises.size(), 6u) << k;
    EXPECT_EQ(checks[k].caution, "") << k;
  }
}

// A twin's engines are judged apart: each engine's checks from its own RPM
// and EGTs, the magnetos' drops compared within one engine.
TEST(MagCheck, ATwinsEnginesAreJudgedApart) {
  RunupPlan left;
  left.left = {100, kNormal};
  left.right = {110, kNormal};
  RunupPlan right = left;
  right.left = {90, kNormal};
  right.right = {160, {50, 60, -80, 70}};
  const analysis::PhaseSpan runup[] = {{analysis::Phase::Runup, 62, 152}};
  for (double interval : {1.0, 2.0}) {
    SCOPED_TRACE(interval);
    left.interval = right.interval = interval;
    const auto checks = analysis::CheckMagnetos(twinRunup(left, right), analysis::Limits{}, runup);
    ASSERT_EQ(checks.size(), 4u);
    for (flight::Engine engine : {flight::Engine::Left, flight::Engine::Right}) {
      std::vector<const analysis::MagCheck*> of;
      for (const analysis::MagCheck& c : checks)
        if (c.engine == engine) of.push_back(&c);
      ASSERT_EQ(of.size(), 2u);
      const bool isRight = engine == flight::Engine::Right;
      for (const analysis::MagCheck* c : of)
        for (const analysis::MagRise& r : c->rises) EXPECT_EQ(r.channel[0], isRight ? 'R' : 'L') << r.channel;
      EXPECT_EQ(of[0]->verdict, MagVerdict::Normal);
      EXPECT_EQ(of[1]->verdict, isRight ? MagVerdict::Plug : MagVerdict::Normal) << of[1]->evidence;
      EXPECT_NEAR(of[1]->rpm_drop, isRight ? 160 : 110, 8);
      // 90 against 160 on the right engine only.
      EXPECT_EQ(of[1]->caution.empty(), !isRight) << of[1]->caution;
    }
  }
}

// The shared avionics logs, none of them tuned on: the run-up's checks lie in
// the run-up their README gives, each normal, its drop measured from the RPM
// held on both magnetos just before it (read here as the highest of the three
// rows before the dip, against the dip's lowest row); a run-up of propeller
// cycles gives no magneto check.
TEST(MagCheck, TheSharedLogsRunupsAreNormalFromTheLevelBeforeEachDip) {
  for (const SharedLog& log : SharedLogs()) {
    SCOPED_TRACE(log.file);
    const flight::FlightRead read = flight::OpenFlight(SharedLogPath(log));
    ASSERT_TRUE(read.ok()) << read.problem;
    const flight::Flight& f = read.value;
    const int rpmChannel = flight::FindChannel(f.channels, ChannelKind::Rpm, flight::Engine::Only);
    ASSERT_GE(rpmChannel, 0);
    const auto rpm = f.column(rpmChannel);
    const double from = SecondsOf(f, log.runUp.start), to = SecondsOf(f, log.runUp.end);
    const analysis::RunupReading runup = analysis::ReadRunup(f, analysis::Limits{}, analysis::FindPhaseSpans(f));
    if (log.propellerCycling) {
      EXPECT_TRUE(runup.checks.empty());
      ASSERT_FALSE(runup.others.empty());
      EXPECT_EQ(runup.others.front().taken_for, "propeller");
      continue;
    }
    EXPECT_FALSE(runup.checks.empty());
    for (const analysis::MagCheck& c : runup.checks) {
      SCOPED_TRACE(c.start_s);
      EXPECT_EQ(c.verdict, MagVerdict::Normal) << c.evidence;
      EXPECT_GE(c.start_s, from);
      EXPECT_LE(c.end_s, to);
      const std::size_t first = f.rowAt(c.start_s), last = f.rowAt(c.end_s);
      ASSERT_GE(first, 3u);
      double level = 0, lowest = 1e9;
      for (std::size_t r = first - 3; r < first; ++r) level = std::max(level, static_cast<double>(rpm[r]));
      for (std::size_t r = first; r <= last; ++r) lowest = std::min(lowest, static_cast<double>(rpm[r]));
      EXPECT_NEAR(c.rpm_drop, level - lowest, 30);
      std::printf("[ runup   ] %s: check at %.0f s, drop %.0f (level before %.0f, lowest %.0f), %s\n", log.file,
                  c.start_s, c.rpm_drop, level, lowest, std::string(MagVerdictName(c.verdict)).c_str());
    }
  }
}

// The simulator's quick run-up (3-s checks, made apart from this analysis):
// at 1-s and 2-s rows both checks are found where and as deep as scripted and
// judged normal; at 6-s rows no verdict but too coarse. Seeds, cylinders and
// layouts not tuned on.
TEST(MagCheck, TheQuickRunupProfileGivesTheScriptedDrops) {
  struct Case {
    int interval, cylinders;
    unsigned seed;
    sim::encode::ProfileLayout layout = sim::encode::ProfileLayout::Single;
    double tolerance = 15;  // RPM
  };
  const Case cases[] = {{1, 6, 1}, {1, 4, 7}, {1, 6, 11, sim::encode::ProfileLayout::Extended}, {2, 6, 3, {}, 25},
                        {2, 4, 8, {}, 25}, {6, 6, 4}, {6, 4, 12}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.interval << " s, " << c.cylinders << " cylinders, seed " << c.seed);
    sim::encode::ProfileOptions o;
    o.interval = c.interval;
    o.cylinders = c.cylinders;
    o.seed = c.seed;
    o.layout = c.layout;
    o.minutes = 40;
    o.events.quickMag = true;
    TempDir dir;
    std::vector<sim::encode::ProfileEvents> truth;
    const std::vector<std::string> files =
        expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1, "N123AB", &truth)));
    ASSERT_EQ(files.size(), 1u);
    const flight::FlightRead read = flight::OpenFlight(files[0]);
    ASSERT_TRUE(read.ok()) << read.problem;
    const auto& m = truth.at(0).mag;
    const analysis::RunupReading runup =
        analysis::ReadRunup(read.value, analysis::Limits{}, analysis::FindPhaseSpans(read.value));
    EXPECT_TRUE(runup.others.empty()) << runup.others.front().evidence;
    if (c.interval >= 6) {
      for (const analysis::MagCheck& k : runup.checks) EXPECT_EQ(k.verdict, MagVerdict::TooCoarse) << k.start_s;
      continue;
    }
    ASSERT_EQ(runup.checks.size(), 2u);
    const double starts[] = {m.leftStart, m.rightStart}, drops[] = {m.leftRpmDrop, m.rightRpmDrop};
    for (std::size_t k = 0; k < 2; ++k) {
      const analysis::MagCheck& check = runup.checks[k];
      EXPECT_EQ(check.verdict, MagVerdict::Normal) << k << ": " << check.evidence;
      EXPECT_NEAR(check.start_s, starts[k], c.interval) << k;
      EXPECT_NEAR(check.rpm_drop, drops[k], c.tolerance) << k;
      EXPECT_EQ(check.rises.size(), static_cast<std::size_t>(c.cylinders));
      EXPECT_EQ(check.caution, "") << k;
    }
  }
}

}  // namespace
}  // namespace varnix::test
