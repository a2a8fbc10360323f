// SPDX-License-Identifier: GPL-3.0-or-later
// Percent power by each method and the mixture state of cruises, on flights
// whose EGT follows a peak curve: rising as fuel is taken away rich of peak,
// falling lean of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analysis/power_mixture.h"
#include "flight/open_flight.h"
#include "phase_flights.h"
#include "shared_logs.h"

namespace varnix::test {
namespace {

using flight::ChannelKind;
using analysis::MixtureState;
using analysis::Phase;
using flight::Unit;

using Curve = std::function<double(double t)>;

// A 30-minute flight at 6 s whose fuel flow, RPM and MAP follow the curves;
// the EGT peaks at 11 GPH (25 °F per GPH either side).
flight::Flight curveFlight(Curve flow, Curve rpm, Curve map, Unit flowUnit = Unit::GallonsPerHour,
                           double toUnit = 1, bool power = false) {
  std::vector<LegChannel> c;
  c.push_back(legChannel("RPM", ChannelKind::Rpm, 0, Unit::Rpm, [rpm](const Leg&, double t) { return rpm(t); }));
  if (map) c.push_back(legChannel("MAP", ChannelKind::Map, 0, Unit::InchesHg, [map](const Leg&, double t) { return map(t); }));
  c.push_back(legChannel("FF", ChannelKind::FuelFlow, 0, flowUnit,
                         [flow, toUnit](const Leg&, double t) { return flow(t) * toUnit; }));
  for (int cyl = 1; cyl <= 4; ++cyl)
    c.push_back(legChannel(std::string(1, 'E').append(std::to_string(cyl)), ChannelKind::Egt, cyl, Unit::DegreesF,
                           [flow, cyl](const Leg&, double t) { return 1500 - 25 * std::fabs(flow(t) - 11) + 5 * cyl; }));
  if (power)
    c.push_back(legChannel("HP", ChannelKind::PowerPercent, 0, Unit::Percent,
                           [](const Leg&, double t) { return t < 900 ? 60 : 70; }));
  return legFlight({{1800, 0, 0, 0, 0}}, c);
}

Curve constant(double v) {
  return [v](double) { return v; };
}
Curve step(double before, double after, double at) {
  return [=](double t) { return t < at ? before : after; };
}
Curve ramp(double from, double to, double t0, double t1) {
  return [=](double t) { return t <= t0 ? from : t >= t1 ? to : from + (to - from) * (t - t0) / (t1 - t0); };
}

const analysis::PhaseSpan kCruise[] = {{Phase::Climb, 0, 600}, {Phase::Cruise, 600, 1794}};

analysis::Limits rated(double hp, double ratio) {
  analysis::Limits l;
  l.ratedHp = hp;
  l.compressionRatio = ratio;
  return l;
}

TEST(PowerMixture, CruisePowerComesFromTheRecordingOrTheMethodItsMixtureAllows) {
  struct Case {
    const char* name;
    flight::Flight flight;
    analysis::Limits limits;
    std::span<const analysis::PhaseSpan> phases;
    bool judged;
    double percent;
    const char* method;
    const char* why;
  };
  // Lean of peak at 9 GPH, 8.7:1, 200 hp: 9 x (1.1604 x 8.7 + 5.03) = 136.1 hp.
  const double lop = 100 * 9 * (1.1604 * 8.7 + 5.03) / 200;
  const Curve leanSteps = step(9, 8.5, 1200);  // a further leaning: lean of peak
  const Curve richSteps = step(13, 12.5, 1200);  // rich of peak
  const Case cases[] = {
      {"recorded power", curveFlight(leanSteps, constant(2400), constant(22), Unit::GallonsPerHour, 1, true),
       rated(200, 8.7), kCruise, true, (50 * 60.0 + 149 * 70.0) / 199, "recorded", ""},
      {"lean of peak, GPH", curveFlight(leanSteps, constant(2400), constant(22)), rated(200, 8.7), kCruise, true,
       lop * (100 * 9 + 99 * 8.5) / 199 / 9, "fuel_flow_lop", ""},
      {"lean of peak, litres", curveFlight(leanSteps, constant(2400), constant(22), Unit::LitresPerHour, 3.785),
       rated(200, 8.7), kCruise, true, lop * (100 * 9 + 99 * 8.5) / 199 / 9, "fuel_flow_lop", ""},
      {"lean of peak, pounds", curveFlight(leanSteps, constant(2400), constant(22), Unit::PoundsPerHour, 6),
       rated(200, 8.7), kCruise, true, lop * (100 * 9 + 99 * 8.5) / 199 / 9, "fuel_flow_lop", ""},
      {"lean of peak, rating unknown", curveFlight(leanSteps, constant(2400), constant(22)), rated(0, 8.7), kCruise,
       false, 0, "", "rated_hp unknown"},
      {"lean of peak, compression unknown", curveFlight(leanSteps, constant(2400), constant(22)), rated(200, 0),
       kCruise, false, 0, "", "compression_ratio unknown"},
      {"rich of peak: MAP and RPM against 29 in and 2700", curveFlight(richSteps, constant(2400), constant(23)),
       rated(0, 0), kCruise, true, 100 * 23 / 29.0 * 2400 / 2700, "rpm_map_rop", ""},
      {"rich of peak without MAP", curveFlight(richSteps, constant(2400), nullptr), rated(200, 8.7), kCruise,
       false, 0, "", "no RPM and MAP"},
      {"no cruise", curveFlight(richSteps, constant(2400), constant(23)), rated(200, 8.7),
       std::span<const analysis::PhaseSpan>(kCruise, 1), false, 0, "rpm_map_rop", "no cruise"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const analysis::PowerMixture p = analysis::AnalysePowerMixture(c.flight, c.limits, c.phases);
    EXPECT_EQ(p.power.judged, c.judged);
    EXPECT_EQ(p.power.method, c.method);
    EXPECT_EQ(p.power.why, c.why);
    if (c.judged) {
      EXPECT_NEAR(p.power.cruise_percent, c.percent, 0.01);
    }
  }
}

TEST(PowerMixture, CruiseMixtureStateFollowsTheEgtsAnswerToFuelFlow) {
  struct Case {
    const char* name;
    Curve flow, rpm, map;
    MixtureState state;
    const char* evidenceStart;
  };
  const Case cases[] = {
      {"leaned through the peak into the cruise", ramp(14, 9, 540, 780), constant(2400), constant(22),
       MixtureState::LeanOfPeak, "leaning crossed the EGT peak of 1510 °F at 11.0 GPH (0:11:24); 48 °F lean of it at 9.0 GPH"},
      {"a sweep through the peak, then back to the rich setting", [](double t) { return t < 1000 ? ramp(14, 9, 540, 780)(t) : 13.0; },
       constant(2400), constant(22), MixtureState::RichOfPeak,
       "leaning crossed the EGT peak of 1510 °F at 11.0 GPH (0:11:24), then the mixture went back to 13.0 GPH, richer than the peak"},
      {"leaned a little more, lean of peak", step(9, 8.5, 1200), constant(2400), constant(22),
       MixtureState::LeanOfPeak, "EGT fell 12 °F as fuel flow fell 0.5 GPH at steady RPM and MAP (0:"},
      {"leaned a little more, rich of peak", step(13, 12.5, 1200), constant(2400), constant(22),
       MixtureState::RichOfPeak, "EGT rose 12 °F as fuel flow fell 0.5 GPH at steady RPM and MAP (0:"},
      {"leaned a little more, no MAP recorded: only the RPM was held", step(9, 8.5, 1200), constant(2400), nullptr,
       MixtureState::LeanOfPeak, "EGT fell 12 °F as fuel flow fell 0.5 GPH at steady RPM (0:"},
      {"enriched, rich of peak", step(12.5, 13, 1200), constant(2400), constant(22), MixtureState::RichOfPeak,
       "EGT fell 12 °F as fuel flow rose 0.5 GPH"},
      {"steady all along", constant(12), constant(2400), constant(22), MixtureState::Unknown,
       "no leaning through the peak and no fuel-flow change at steady power"},
      {"fuel flow changed with the throttle", step(9, 8.5, 1200), constant(2400), step(22, 20, 1200),
       MixtureState::Unknown, "no leaning through the peak"},
      {"fuel flow changed with the propeller", step(13, 12.5, 1200), step(2400, 2300, 1200), constant(22),
       MixtureState::Unknown, "no leaning through the peak"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const analysis::PowerMixture p = analysis::AnalysePowerMixture(curveFlight(c.flow, c.rpm, c.map), rated(0, 0), kCruise);
    ASSERT_EQ(p.mixture.size(), 1u);
    EXPECT_EQ(p.mixture[0].start_s, 600);
    EXPECT_EQ(p.mixture[0].end_s, 1794);
    EXPECT_EQ(p.mixture[0].state, c.state) << p.mixture[0].evidence;
    EXPECT_EQ(p.mixture[0].evidence.rfind(c.evidenceStart, 0), 0u) << p.mixture[0].evidence;
  }
}

TEST(PowerMixture, RecordedLogsCruiseIsLeanOfPeak) {
  const flight::FlightRead read =
      flight::OpenFlight(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_220417_125002_LFQA.csv");
  ASSERT_TRUE(read.ok()) << read.problem;
  // Leaned at 1,013 s from 27 to 16 GPH, the EGTs peak at 1,036 s and fall
  // 14 °F as the pilot takes away another 0.5 GPH. Without its recorded
  // %Pwr (68%) the power is estimated: a turbocharged 315 hp engine of
  // 7.5:1 at 15.5 GPH, 15.5 x 13.73 = 213 hp, 68-70%.
  struct Case {
    const char* name;
    flight::Flight flight;
    const char* method;
    double percent;
  };
  const Case cases[] = {
      {"as recorded", read.value, "recorded", 0},
      {"without %Pwr", withoutChannels(read.value, [](const flight::Channel& c) { return c.kind == ChannelKind::PowerPercent; }),
       "fuel_flow_lop", 70},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const analysis::PowerMixture p = analysis::AnalysePowerMixture(c.flight, rated(315, 7.5));
    ASSERT_EQ(p.mixture.size(), 1u);
    EXPECT_EQ(p.mixture[0].state, MixtureState::LeanOfPeak) << p.mixture[0].evidence;
    EXPECT_TRUE(p.power.judged) << p.power.why;
    EXPECT_EQ(p.power.method, c.method);
    if (c.percent > 0) {
      EXPECT_NEAR(p.power.cruise_percent, c.percent, 3);
    }
  }
}

// A flight at 1-s rows: cruise RPM and MAP (`map`), the fuel flow `flow`,
// each of four EGTs following a peak curve (15 °F a GPH rich of its peak at
// 17 GPH and a little apart, 40 °F a GPH lean of it) through a probe lag of
// 3 s, and the recorded percent power `power` when given.
flight::Flight pullFlight(Curve flow, Curve map, Curve power = nullptr) {
  constexpr double kSeconds = 1800;
  std::vector<LegChannel> c;
  c.push_back(legChannel("RPM", ChannelKind::Rpm, 0, Unit::Rpm, [](const Leg&, double) { return 2500; }));
  c.push_back(legChannel("MAP", ChannelKind::Map, 0, Unit::InchesHg, [map](const Leg&, double t) { return map(t); }));
  c.push_back(legChannel("FF", ChannelKind::FuelFlow, 0, Unit::GallonsPerHour, [flow](const Leg&, double t) { return flow(t); }));
  for (int cyl = 1; cyl <= 4; ++cyl) {
    auto lagged = std::make_shared<std::vector<double>>();
    double egt = 0;
    for (double t = 0; t <= kSeconds; t += 1) {
      const double d = flow(t) - (16.8 + 0.15 * cyl);
      const double target = 1450 + 10 * cyl - (d > 0 ? 15 * d : -40 * d);
      egt = t == 0 ? target : egt + (target - egt) * (1 - std::exp(-1.0 / 3));
      lagged->push_back(egt);
    }
    c.push_back(legChannel(std::string(1, 'E').append(std::to_string(cyl)), ChannelKind::Egt, cyl, Unit::DegreesF,
                           [lagged](const Leg&, double t) { return std::round((*lagged)[static_cast<std::size_t>(t)]); }));
  }
  if (power)
    c.push_back(legChannel("%Pwr", ChannelKind::PowerPercent, 0, Unit::Percent, [power](const Leg&, double t) { return power(t); }));
  return legFlight({{kSeconds, 0, 0, 0, 0}}, c, 1);
}

// A pull from 24 GPH at 1000 s, in the cruise from 600 s.
TEST(PowerMixture, AQuickPullGivesTheSideOfThePeakItEndedOn) {
  struct Case {
    const char* name;
    Curve flow, map;
    MixtureState state;
    bool pulled;
    const char* evidenceStart;
  };
  const Case cases[] = {
      {"through the peaks in 8 s", ramp(24, 15, 1000, 1008), constant(28), MixtureState::LeanOfPeak, true,
       "the quick pull at 0:16:40: the fuel flow fell from 24.0 to 15.0 GPH in 8 s; the EGTs rose"},
      {"to rich of the peaks in 5 s", ramp(24, 19, 1000, 1005), constant(28), MixtureState::RichOfPeak, true,
       "the quick pull at 0:16:40: the fuel flow fell from 24.0 to 19.0 GPH in 5 s; the EGTs rose"},
      {"through the peaks with the throttle", ramp(24, 15, 1000, 1008), ramp(28, 22, 1000, 1008), MixtureState::Unknown,
       false, "no leaning through the peak"},
      // (Leaning this slowly is judged only in the cruise's first minutes.)
      {"a minute long: no quick pull", ramp(24, 15, 1000, 1060), constant(28), MixtureState::Unknown, false,
       "no leaning through the peak"},
  };
  const analysis::PhaseSpan cruise[] = {{Phase::Cruise, 600, 1790}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const analysis::PowerMixture p = analysis::AnalysePowerMixture(pullFlight(c.flow, c.map), rated(0, 0), cruise);
    ASSERT_EQ(p.mixture.size(), 1u);
    const analysis::MixtureSegment& m = p.mixture[0];
    EXPECT_EQ(m.state, c.state) << m.evidence;
    EXPECT_EQ(m.pulled, c.pulled);
    EXPECT_EQ(m.evidence.rfind(c.evidenceStart, 0), 0u) << m.evidence;
  }
}

// With percent power recorded, a cruise burning 0.65 of the takeoff's fuel
// flow per percent or less is lean of peak whatever else showed; a rich
// cruise's is above it. A takeoff at 100 % and 30 GPH, then 70 %.
TEST(PowerMixture, AFuelFlowPerPercentOnlyLeanOfPeakGivesIsASecondLineOfEvidence) {
  struct Case {
    const char* name;
    Curve flow;
    bool withPower;
    MixtureState state;
    double share;  // NaN: none
  };
  const double none = std::nan("");
  const Case cases[] = {
      {"13 GPH at 70 %", step(30, 13, 300), true, MixtureState::LeanOfPeak, 13 / 70.0 / (30 / 100.0)},
      {"17.5 GPH at 70 %", step(30, 17.5, 300), true, MixtureState::Unknown, 17.5 / 70.0 / (30 / 100.0)},
      {"13 GPH, no power recorded", step(30, 13, 300), false, MixtureState::Unknown, none},
      {"pulled to rich of peak, then 13 GPH at 70 %", [](double t) { return t < 300 ? 30 : t < 700 ? 19 : 13; }, true,
       MixtureState::LeanOfPeak, 13 / 70.0 / (30 / 100.0)},
  };
  const analysis::PhaseSpan cruise[] = {{Phase::Cruise, 600, 1790}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Curve power = c.withPower ? step(100, 70, 300) : nullptr;
    const analysis::PowerMixture p = analysis::AnalysePowerMixture(pullFlight(c.flow, constant(28), power), rated(0, 0), cruise);
    ASSERT_EQ(p.mixture.size(), 1u);
    const analysis::MixtureSegment& m = p.mixture[0];
    EXPECT_EQ(m.state, c.state) << m.evidence << " / " << m.powerEvidence;
    if (std::isnan(c.share)) {
      EXPECT_TRUE(std::isnan(m.flowShare));
    } else {
      EXPECT_NEAR(m.flowShare, c.share, 0.01);
    }
    EXPECT_EQ(m.powerEvidence.empty(), !(m.flowShare <= 0.65)) << m.powerEvidence;
  }
}

// The shared avionics logs (not tuned on): the mixture after each pull, in the
// cruise their README gives and in the cruise the phases find, is the one
// the table gives, and the cruise's fuel flow per percent says so too.
TEST(PowerMixture, TheSharedLogsMixtureAfterEachPullIsNamed) {
  for (const SharedLog& log : SharedLogs()) {
    if (*log.mixture == '\0') continue;
    SCOPED_TRACE(log.file);
    const flight::FlightRead read = flight::OpenFlight(SharedLogPath(log));
    ASSERT_TRUE(read.ok()) << read.problem;
    const flight::Flight& f = read.value;
    const double cruiseStart = SecondsOf(f, log.cruise.start), cruiseEnd = SecondsOf(f, log.cruise.end);
    const analysis::PhaseSpan given[] = {{Phase::Cruise, cruiseStart, cruiseEnd}};
    const analysis::FlightPhases found = analysis::FindPhaseSpans(f);
    const struct {
      const char* what;
      std::span<const analysis::PhaseSpan> phases;
    } spans[] = {{"the README's cruise", given}, {"the phases' cruise", found.spans}};
    for (const auto& s : spans) {
      SCOPED_TRACE(s.what);
      const analysis::PowerMixture p = analysis::AnalysePowerMixture(f, analysis::Limits{}, s.phases);
      // The segment holding the middle of the known cruise.
      const double middle = (cruiseStart + cruiseEnd) / 2;
      const auto m = std::find_if(p.mixture.begin(), p.mixture.end(),
                                  [&](const analysis::MixtureSegment& x) { return x.start_s <= middle && x.end_s >= middle; });
      ASSERT_NE(m, p.mixture.end());
      EXPECT_EQ(analysis::MixtureStateName(m->state), log.mixture) << m->evidence;
      EXPECT_FALSE(m->powerEvidence.empty()) << m->flowShare;
      std::printf("[ mixture ] %s, %s: %s, %s; %s\n", log.file, s.what, std::string(analysis::MixtureStateName(m->state)).c_str(),
                  m->evidence.c_str(), m->powerEvidence.c_str());
    }
  }
}

}  // namespace
}  // namespace varnix::test
