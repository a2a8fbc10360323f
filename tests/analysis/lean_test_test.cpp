// SPDX-License-Identifier: GPL-3.0-or-later
// The lean test on flights built with chosen peaks: each cylinder's EGT
// rises to its peak at a chosen fuel flow and falls past it more steeply
// on the lean side, as a real engine's does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "analysis/lean_test.h"
#include "flight/open_flight.h"
#include "lean_mag_flights.h"
#include "shared_logs.h"

namespace varnix::test {
namespace {

using flight::ChannelKind;
using analysis::LeanVerdict;
using flight::Unit;

struct Knot {
  double t, v;
};

// Straight lines between knots, held before the first and after the last.
double along(const std::vector<Knot>& knots, double t) {
  if (t <= knots.front().t) return knots.front().v;
  for (std::size_t i = 1; i < knots.size(); ++i)
    if (t <= knots[i].t) {
      const Knot& a = knots[i - 1];
      const Knot& b = knots[i];
      return b.t == a.t ? b.v : a.v + (b.v - a.v) * (t - a.t) / (b.t - a.t);
    }
  return knots.back().v;
}

// A cylinder's EGT (°F) at a fuel flow (GPH) for a peak of `peak` at `peakFlow`.
double egtAt(double flow, double peak, double peakFlow) {
  const double d = flow - peakFlow;
  return peak - (d > 0 ? 60 : 100) * d * d;
}

struct LeanPlan {
  double interval = 1;
  std::vector<double> peakFlows;  // GPH, one per cylinder
  std::vector<Knot> flow;         // GPH
  std::vector<Knot> rpm = {{0, 2400}};
  std::vector<Knot> map = {{0, 23.5}};
  Unit flowUnit = Unit::GallonsPerHour;
  double perGph = 1;
  char engineUnit = 'F';
};

flight::Flight leanFlight(const LeanPlan& p) {
  std::vector<BuiltChannel> channels;
  for (std::size_t c = 0; c < p.peakFlows.size(); ++c) {
    const double peakFlow = p.peakFlows[c], peak = 1450 + 15.0 * static_cast<double>(c);
    const std::vector<Knot> flow = p.flow;
    const bool celsius = p.engineUnit == 'C';
    channels.push_back({egtChannel(static_cast<int>(c) + 1, celsius ? Unit::DegreesC : Unit::DegreesF),
                        [=](double t) {
                          const double f = egtAt(along(flow, t), peak, peakFlow);
                          return celsius ? (f - 32) * 5 / 9 : f;
                        },
                        2, 1});
  }
  const std::vector<Knot> flow = p.flow, rpm = p.rpm, map = p.map;
  const double scale = p.perGph;
  channels.push_back({plainChannel("FF", ChannelKind::FuelFlow, p.flowUnit),
                      [=](double t) { return along(flow, t) * scale; }, 0.08 * scale, 0.1});
  channels.push_back({plainChannel("RPM", ChannelKind::Rpm, Unit::Rpm), [=](double t) { return along(rpm, t); }, 5, 1});
  channels.push_back({plainChannel("MAP", ChannelKind::Map, Unit::InchesHg), [=](double t) { return along(map, t); },
                      0.05, 0.1});
  const double end = std::max(p.flow.back().t, 100.0) + 120;
  return BuildFlight(end, p.interval, channels, p.engineUnit);
}

// Cruise at 14 GPH for two minutes, leaned at 0.04 GPH a second to 1.2 GPH
// below the leanest peak, held there a minute, then rich again.
std::vector<Knot> oneSweep(const std::vector<double>& peaks, double start = 120, double rate = 0.04) {
  const double to = *std::min_element(peaks.begin(), peaks.end()) - 1.2;
  const double end = start + (14 - to) / rate;
  return {{0, 14}, {start, 14}, {end, to}, {end + 60, to}, {end + 62, 14}};
}

TEST(LeanTest, PeaksAndSpreadComeOutAsBuilt) {
  struct Case {
    std::vector<double> peaks;
    LeanVerdict verdict;
    const char *first, *last;
  };
  const Case cases[] = {
      {{11.6, 11.3, 11.9, 11.1}, LeanVerdict::Fair, "E3", "E4"},
      {{11.5, 11.45, 11.6, 11.4, 11.55, 11.3}, LeanVerdict::Good, "E3", "E6"},
      {{12.2, 10.8, 11.5, 11.9}, LeanVerdict::Poor, "E1", "E2"},
      {{10.9, 12.0, 11.4, 11.0, 11.7, 10.5}, LeanVerdict::Poor, "E2", "E6"},
  };
  for (double interval : {1.0, 2.0, 6.0}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << "interval " << interval << " s, first peak " << c.peaks.front());
      LeanPlan p;
      p.interval = interval;
      p.peakFlows = c.peaks;
      p.flow = oneSweep(c.peaks);
      const auto tests = analysis::FindLeanTests(leanFlight(p), analysis::Limits{}, {});
      ASSERT_EQ(tests.size(), 1u);
      const analysis::LeanTest& t = tests[0];
      EXPECT_EQ(t.verdict, c.verdict) << LeanVerdictName(t.verdict) << " spread " << t.spread;
      ASSERT_TRUE(t.judged);
      EXPECT_EQ(t.first, c.first);
      EXPECT_EQ(t.last, c.last);
      EXPECT_EQ(t.spread_unit, Unit::GallonsPerHour);
      const double spread = *std::max_element(c.peaks.begin(), c.peaks.end()) -
                            *std::min_element(c.peaks.begin(), c.peaks.end());
      EXPECT_NEAR(t.spread, spread, 0.2);
      ASSERT_EQ(t.peaks.size(), c.peaks.size());
      double worst = 0;
      for (std::size_t k = 0; k < t.peaks.size(); ++k) {
        const analysis::LeanPeak& peak = t.peaks[k];
        ASSERT_TRUE(peak.placed) << peak.channel;
        const double built = c.peaks[std::stoul(peak.channel.substr(1)) - 1];
        EXPECT_NEAR(peak.fuel_flow, built, 0.3) << peak.channel;
        worst = std::max(worst, std::fabs(peak.fuel_flow - built));
        if (k > 0) {
          EXPECT_GE(peak.at_s, t.peaks[k - 1].at_s);  // in the order they peaked
        }
      }
      std::printf("[ lean    ] %.0f s rows, spread %.2f GPH: spread error %+.3f, worst peak error %.3f GPH\n",
                  interval, spread, t.spread - spread, worst);
    }
  }
}

TEST(LeanTest, OnlyLeaningSweepsAreJudged) {
  const std::vector<double> peaks = {11.6, 11.3, 11.9, 11.1};
  struct Case {
    const char* what;
    LeanPlan plan;
    std::vector<LeanVerdict> verdicts;  // one per sweep found
    int rows = 0;                       // of the first sweep, when checked
    std::vector<const char*> unplaced = {};
    double spread = 0.8;                // GPH, of the judged sweeps
    const char* why = "";               // of the first sweep, not judged
  };
  auto plan = [&](double interval, std::vector<Knot> flow) {
    LeanPlan p;
    p.interval = interval;
    p.peakFlows = peaks;
    p.flow = std::move(flow);
    return p;
  };
  LeanPlan throttleCut = plan(1, {{0, 14}, {120, 14}, {130, 8}});
  throttleCut.rpm = {{0, 2400}, {120, 2400}, {130, 1900}};
  throttleCut.map = {{0, 23.5}, {120, 23.5}, {130, 17}};
  LeanPlan climbing = plan(2, oneSweep(peaks));
  climbing.map = {{0, 23.5}, {120, 23.5}, {300, 19.5}};  // the flow follows the falling MAP
  LeanPlan litres = plan(2, oneSweep(peaks));
  litres.flowUnit = Unit::LitresPerHour;
  litres.perGph = 3.785;
  LeanPlan pounds = plan(6, oneSweep({11.5, 11.45, 11.6, 11.4}));
  pounds.peakFlows = {11.5, 11.45, 11.6, 11.4};
  pounds.flowUnit = Unit::PoundsPerHour;
  pounds.perGph = 6;
  // The throttle brought back as the pull begins: MAP settles 0.9 in lower within its first seconds.
  LeanPlan settling = plan(1, {{0, 14}, {120, 14}, {126, 9}});
  settling.map = {{0, 23.5}, {120, 23.5}, {122, 22.6}};
  LeanPlan celsius = plan(2, oneSweep(peaks));
  celsius.engineUnit = 'C';
  std::vector<Knot> twice = oneSweep(peaks);
  for (const Knot& k : oneSweep(peaks, 400, 0.03)) twice.push_back(k);
  const Case cases[] = {
      {"steady cruise", plan(1, {{0, 14}}), {}},
      {"a throttle cut", throttleCut, {}},
      {"the flow following the MAP", climbing, {}},
      {"leaner still from lean of peak: the EGTs only fall", plan(1, {{0, 10.6}, {120, 10.6}, {170, 8.6}}), {}},
      {"leaning to rich of every peak", plan(2, {{0, 14}, {120, 14}, {180, 12.6}, {260, 12.6}, {262, 14}}), {}},
      {"a sweep at 1 s", plan(1, oneSweep(peaks)), {LeanVerdict::Fair}, 0},
      {"a quick pull at 6 s", plan(6, {{0, 14}, {120, 14}, {128, 9}}), {LeanVerdict::TooCoarse}, 3, {}, 0.8,
       "too quick for a spread"},
      {"a quick pull at 1 s", plan(1, {{0, 14}, {120, 14}, {124, 9}}), {LeanVerdict::TooCoarse}, 5, {}, 0.8,
       "too quick for a spread"},
      {"a quick pull as the throttle settles", settling, {LeanVerdict::TooCoarse}, 0, {}, 0.8, "too quick for a spread"},
      {"stopped before two cylinders peaked", plan(2, {{0, 14}, {120, 14}, {190, 11.2}, {260, 11.2}, {262, 14}}),
       {LeanVerdict::Incomplete}, 0, {"E2", "E4"}, 0.8, "a cylinder did not pass its peak"},
      {"two sweeps", plan(2, twice), {LeanVerdict::Fair, LeanVerdict::Fair}},
      {"litres per hour: judged in GPH", litres, {LeanVerdict::Fair}},
      {"pounds per hour: judged in GPH", pounds, {LeanVerdict::Good}, 0, {}, 0.2},
      {"degrees Celsius", celsius, {LeanVerdict::Fair}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const auto tests = analysis::FindLeanTests(leanFlight(c.plan), analysis::Limits{}, {});
    ASSERT_EQ(tests.size(), c.verdicts.size());
    for (std::size_t k = 0; k < tests.size(); ++k) {
      EXPECT_EQ(tests[k].verdict, c.verdicts[k]) << LeanVerdictName(tests[k].verdict);
      EXPECT_EQ(tests[k].spread_unit, c.plan.flowUnit);
      const bool judged = c.verdicts[k] == LeanVerdict::Good || c.verdicts[k] == LeanVerdict::Fair ||
                          c.verdicts[k] == LeanVerdict::Poor;
      EXPECT_EQ(tests[k].judged, judged);
      if (judged) {
        EXPECT_NEAR(tests[k].spread / c.plan.perGph, c.spread, 0.2);
      } else {
        EXPECT_TRUE(tests[k].first.empty() && tests[k].last.empty());
      }
    }
    if (c.rows) {
      EXPECT_NEAR(tests[0].rows, c.rows, 1);
    }
    if (!tests.empty()) {
      EXPECT_EQ(tests[0].why, c.why);
      // What the rows show is told for a quick pull only.
      EXPECT_EQ(tests[0].seen.empty(), std::string(c.why) != "too quick for a spread") << tests[0].seen;
    }
    if (!c.unplaced.empty()) {
      std::vector<std::string> unplaced;
      for (const analysis::LeanPeak& p : tests[0].peaks)
        if (!p.placed) unplaced.push_back(p.channel);
      EXPECT_EQ(unplaced, std::vector<std::string>(c.unplaced.begin(), c.unplaced.end()));
      EXPECT_EQ(tests[0].peaks.size(), peaks.size());
    }
  }
}

TEST(LeanTest, OnlyTheGivenSpansAreSearched) {
  const std::vector<double> peaks = {11.6, 11.3, 11.9, 11.1};
  LeanPlan p;
  p.interval = 2;
  p.peakFlows = peaks;
  p.flow = oneSweep(peaks);
  const flight::Flight f = leanFlight(p);
  struct Case {
    std::vector<analysis::PhaseSpan> spans;
    std::size_t found;
  };
  const Case cases[] = {
      {{}, 1},
      {{{analysis::Phase::Cruise, 0, 100}}, 0},
      {{{analysis::Phase::Cruise, 0, 100}, {analysis::Phase::Cruise, 110, 500}}, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spans.size());
    EXPECT_EQ(analysis::FindLeanTests(f, analysis::Limits{}, c.spans).size(), c.found);
  }
  // Without cruise phases the whole flight is searched.
  EXPECT_EQ(analysis::FindLeanTests(f, analysis::Limits{}).size(), 1u);
}

// A recorded flight (one row a second): the flow falling a little at full
// power after the takeoff is no lean test, the pull from 27 to 15 GPH in six
// seconds in cruise is one too quick to place any peak.
TEST(LeanTest, TheAvionicsLogsQuickPullIsTooCoarse) {
  const flight::FlightRead read =
      flight::OpenFlight(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_220417_125002_LFQA.csv");
  ASSERT_TRUE(read.ok()) << read.problem;
  const auto tests = analysis::FindLeanTests(read.value, analysis::Limits{});
  ASSERT_EQ(tests.size(), 1u);
  EXPECT_EQ(tests[0].verdict, LeanVerdict::TooCoarse);
  EXPECT_NEAR(tests[0].start_s, 1009, 2);
  EXPECT_NEAR(tests[0].rows, 7, 1);
  EXPECT_FALSE(tests[0].judged);
  ASSERT_EQ(tests[0].peaks.size(), 6u);
  for (const analysis::LeanPeak& p : tests[0].peaks) EXPECT_FALSE(p.placed) << p.channel;
  EXPECT_EQ(tests[0].why, "too quick for a spread");
  EXPECT_EQ(tests[0].seen.rfind("the fuel flow fell from 26.7 to 15.3 GPH in 4 s; the EGTs rose ", 0), 0u) << tests[0].seen;
}

// Each pull of the shared logs (none tuned on), searched over the whole
// flight so that the phases do not decide: a lean test too quick for a
// spread, within half a minute of the time their README gives.
TEST(LeanTest, EachPullOfTheSharedLogsIsTooQuickForASpread) {
  for (const SharedLog& log : SharedLogs()) {
    SCOPED_TRACE(log.file);
    const flight::FlightRead read = flight::OpenFlight(SharedLogPath(log));
    ASSERT_TRUE(read.ok()) << read.problem;
    const auto tests = analysis::FindLeanTests(read.value, analysis::Limits{}, {});
    for (const ClockSpan& pull : log.pulls) {
      SCOPED_TRACE(pull.start);
      const double from = SecondsOf(read.value, pull.start) - 30, to = SecondsOf(read.value, pull.end) + 30;
      const auto t = std::find_if(tests.begin(), tests.end(),
                                  [&](const analysis::LeanTest& x) { return x.start_s <= to && x.end_s >= from; });
      ASSERT_NE(t, tests.end());
      EXPECT_EQ(t->verdict, LeanVerdict::TooCoarse);
      EXPECT_EQ(t->why, "too quick for a spread");
      EXPECT_NE(t->seen.find("the EGTs rose"), std::string::npos) << t->seen;
      std::printf("[ pull    ] %s at %.0f s: %s (%s)\n", log.file, t->start_s, t->why.c_str(), t->seen.c_str());
    }
  }
}

}  // namespace
}  // namespace varnix::test
