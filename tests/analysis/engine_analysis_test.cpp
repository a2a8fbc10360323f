// SPDX-License-Identifier: GPL-3.0-or-later
// Every engine analysis at once on the simulator's flights, whose events
// (a leaning sweep, two magneto checks, ...) are known: each is reported
// with the values it was made with, and a flight without events gives no
// lean test, no magneto check and no sensor or valve finding.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "analysis/analysis_registry.h"
#include "analysis/engine_analysis.h"
#include "analysis/run_beside.h"
#include "analysis/task_graph.h"
#include "analysis/valve_screen.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "support/dump_builder.h"
#include "support/flight_files.h"

#ifndef VARNIX_RUN_BESIDE_IN_TURN
#include <mutex>
#endif

namespace varnix::test {
namespace {

using analysis::EngineAnalysis;

struct Analysed {
  EngineAnalysis analysis;
  sim::encode::ProfileEvents truth;
};

Analysed analysed(const sim::encode::ProfileOptions& o) {
  TempDir dir;
  std::vector<sim::encode::ProfileEvents> truth;
  const std::vector<std::string> files =
      expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1, "N123AB", &truth)));
  EXPECT_EQ(files.size(), 1u);
  if (files.empty()) return {};
  const flight::FlightRead read = flight::OpenFlight(files[0]);
  EXPECT_TRUE(read.ok()) << read.problem;
  if (!read.ok()) return {};
  return {analysis::AnalyseEngine(read.value, analysis::Limits{}), truth.at(0)};
}

TEST(EngineAnalysis, EventsOfTheSimulatorAreFoundWithTheirValues) {
  const struct {
    const char* what;
    int interval, cylinders;
    double spread;
  } cases[] = {
      {"six cylinders at 2 s, spread 0.6", 2, 6, 0.6},
      {"four cylinders at 1 s, spread 1.2", 1, 4, 1.2},
      {"four cylinders at 6 s, spread 0.3", 6, 4, 0.3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    sim::encode::ProfileOptions o;
    o.cylinders = c.cylinders;
    o.interval = c.interval;
    o.events.lean = o.events.mag = true;
    o.events.leanSpread = c.spread;
    const Analysed a = analysed(o);
    const sim::encode::ProfileEvents& t = a.truth;
    ASSERT_TRUE(t.lean.present && t.mag.present);
    // The lean test: the spread within 0.2 GPH, each peak's fuel flow within 0.3.
    ASSERT_EQ(a.analysis.leanTests.size(), 1u);
    const analysis::LeanTest& lean = a.analysis.leanTests[0];
    ASSERT_TRUE(lean.judged) << analysis::LeanVerdictName(lean.verdict);
    EXPECT_NEAR(lean.spread, c.spread, 0.2);
    ASSERT_EQ(lean.peaks.size(), static_cast<std::size_t>(c.cylinders));
    for (const analysis::LeanPeak& p : lean.peaks) {
      const int cylinder = std::stoi(p.channel.substr(1));
      EXPECT_NEAR(p.fuel_flow, t.lean.peakFuelFlow.at(static_cast<std::size_t>(cylinder - 1)), 0.3) << p.channel;
    }
    // The magneto check: both intervals, the second with the cylinder that does not rise.
    ASSERT_EQ(a.analysis.magChecks.size(), 2u);
    EXPECT_EQ(a.analysis.magChecks[0].verdict, analysis::MagVerdict::Normal);
    EXPECT_NEAR(a.analysis.magChecks[0].start_s, t.mag.leftStart, 2.0 * c.interval + 2);
    EXPECT_EQ(a.analysis.magChecks[1].verdict, analysis::MagVerdict::Plug);
    const auto& rises = a.analysis.magChecks[1].rises;
    const auto lowest = std::min_element(rises.begin(), rises.end(),
                                         [](const analysis::MagRise& x, const analysis::MagRise& y) { return x.rise < y.rise; });
    ASSERT_NE(lowest, rises.end());
    EXPECT_EQ(lowest->channel.substr(1), std::to_string(t.mag.deadCylinder));
    EXPECT_LT(lowest->rise, 0);
  }
  // A flight without events: nothing of the kind.
  sim::encode::ProfileOptions plain;
  const Analysed a = analysed(plain);
  EXPECT_TRUE(a.analysis.leanTests.empty());
  EXPECT_TRUE(a.analysis.magChecks.empty());
  EXPECT_TRUE(a.analysis.sensorFaults.empty());
  EXPECT_FALSE(a.analysis.phases.spans.empty());
  for (const analysis::Finding& f : a.analysis.findings)
    EXPECT_TRUE(f.kind != analysis::FindingKind::Sensor && f.kind != analysis::FindingKind::Valve) << f.text;
}

// The oscillating cylinder is a valve finding with its swing; the probe that
// opens is a sensor finding from its minute, and no limit finding is raised
// on its channel while it is faulty.
TEST(EngineAnalysis, TheValveAndTheLooseProbeAreFoundAndTheProbeRaisesNoLimitFinding) {
  for (int interval : {2, 6}) {
    SCOPED_TRACE(interval);
    sim::encode::ProfileOptions o;
    o.interval = interval;
    o.events.valve = o.events.probe = o.events.hot = true;
    const Analysed a = analysed(o);
    const sim::encode::ProfileEvents& t = a.truth;
    ASSERT_TRUE(t.valve.present && t.probe.present);
    std::string valve = "E", probe(1, t.probe.kind);
    valve += std::to_string(t.valve.cylinder);
    probe += std::to_string(t.probe.cylinder);
    ASSERT_TRUE(a.analysis.valveScreen.judged) << a.analysis.valveScreen.why;
    int valves = 0;
    for (const analysis::ValveCylinder& c : a.analysis.valveScreen.cylinders) {
      if (c.verdict != analysis::ValveVerdict::Valve) continue;
      ++valves;
      EXPECT_EQ(c.channel, valve);
      EXPECT_NEAR(c.amplitude, t.valve.amplitude, 0.25 * t.valve.amplitude);
      EXPECT_NEAR(c.period, t.valve.period, 0.2 * t.valve.period);
    }
    EXPECT_EQ(valves, 1);
    ASSERT_FALSE(a.analysis.sensorFaults.empty());
    for (const analysis::SensorFault& f : a.analysis.sensorFaults) EXPECT_EQ(f.channel, probe);
    EXPECT_NEAR(a.analysis.sensorFaults.front().start, t.probe.opensAt, interval + 0.5);
    bool sensorFinding = false, valveFinding = false;
    for (const analysis::Finding& f : a.analysis.findings) {
      sensorFinding |= f.kind == analysis::FindingKind::Sensor && f.channel == probe;
      valveFinding |= f.kind == analysis::FindingKind::Valve && f.channel == valve;
      if (f.channel == probe && f.kind != analysis::FindingKind::Sensor) {
        EXPECT_LE(f.end, t.probe.opensAt) << f.text;
      }
    }
    EXPECT_TRUE(sensorFinding);
    EXPECT_TRUE(valveFinding);
  }
}

// What the two analyses give, as text to compare: every field a shortcut between them could change.
std::string described(const EngineAnalysis& e, const analysis::FlightAnalysis& f) {
  std::string out;
  auto add = [&](const std::string& what, double v) { out += what + " " + std::to_string(v) + "\n"; };
  for (const analysis::PhaseSpan& p : e.phases.spans) add(std::string(analysis::PhaseName(p.phase)), p.start);
  for (const analysis::Finding& x : e.findings) add(x.text + " " + x.channel + " " + x.hint, x.peak + x.start + x.end);
  for (const analysis::SensorFault& x : e.sensorFaults) add("fault " + x.channel, x.start + x.end);
  for (const analysis::ValveCylinder& x : e.valveScreen.cylinders) add("valve " + x.channel, x.amplitude + x.period);
  for (const analysis::LeanTest& x : e.leanTests) add("lean", x.spread);
  for (const analysis::MagCheck& x : e.magChecks) add("mag", x.start_s);
  for (const analysis::FlightDigest* d : {&e.digest, &f.digest}) {
    for (const analysis::Envelope& x : d->envelopes)
      for (std::size_t b = 0; b < x.max.size(); ++b) add("envelope " + x.channel, x.max[b] + x.minAt[b]);
    for (const analysis::SensorFaultSpan& x : d->sensorFaults) add("digest fault " + x.channel, x.start + x.end);
    for (const analysis::CruiseEgt& x : d->cruise) add("cruise " + x.channel, x.deviation);
    add("valve " + d->valveWhy, static_cast<double>(d->valveSwings.size()));
  }
  for (const analysis::ChannelStats& x : f.summary.channels) add("stats", x.max + x.mean);
  for (const analysis::Figure& x : f.headline.hottest) add("hottest " + x.channel, x.value);
  add("cooling " + f.headline.fastestCooling.channel, f.headline.fastestCooling.value);
  return out;
}

// The flight window's AnalyseEngine, which gives AnalyseFlight's result too
// from the same phases and digest, gives what the two give apart, whether
// the aircraft's sensing thresholds are the defaults or not.
TEST(EngineAnalysis, FoundTogetherWithTheSummaryItGivesWhatBothGiveApart) {
  analysis::Limits defaults, sensing, rated;
  sensing.sensorStep = 30;
  sensing.chtDivergence = 5;
  sensing.egtDivergence = 10;
  sensing.sensorStuckMinutes = 2;
  rated.ratedHp = 300;
  rated.chtMax = 380;
  const struct {
    const char* what;
    const analysis::Limits& limits;
  } cases[] = {{"default limits", defaults}, {"other sensing thresholds", sensing}, {"other limits", rated}};
  sim::encode::ProfileOptions o;
  o.interval = 2;
  o.events.valve = o.events.probe = o.events.hot = o.events.lean = o.events.mag = true;
  TempDir dir;
  const std::vector<std::string> files = expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
  ASSERT_EQ(files.size(), 1u);
  const flight::FlightRead read = flight::OpenFlight(files[0]);
  ASSERT_TRUE(read.ok()) << read.problem;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const EngineAnalysis apart = analysis::AnalyseEngine(read.value, c.limits);
    const analysis::FlightAnalysis summary = analysis::AnalyseFlight(read.value);
    analysis::FlightAnalysis with;
    const EngineAnalysis together = analysis::AnalyseEngine(read.value, c.limits, with);
    const std::string expected = described(apart, summary);
    EXPECT_FALSE(apart.findings.empty());
    EXPECT_EQ(described(together, with), expected);
  }
  // The sensing thresholds do change the faults, so the case above compares something.
  EXPECT_NE(analysis::AnalyseEngine(read.value, sensing).sensorFaults,
            analysis::AnalyseEngine(read.value, defaults).sensorFaults);
}

// A long flight's digest is found in two halves on two threads, beside the
// summary and the last lean test: each part is what it gives alone.
TEST(EngineAnalysis, ALongFlightsPartsFoundOnTwoThreadsAreWhatEachGivesAlone) {
  sim::encode::ProfileOptions o;
  o.interval = 1;
  o.minutes = 180;
  o.events.valve = o.events.probe = o.events.lean = true;
  TempDir dir;
  const std::vector<std::string> files = expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
  ASSERT_EQ(files.size(), 1u);
  const flight::FlightRead read = flight::OpenFlight(files[0]);
  ASSERT_TRUE(read.ok()) << read.problem;
  const flight::Flight& f = read.value;
  ASSERT_GE(f.rows(), analysis::kParallelRows);
  const analysis::FlightPhases phases = analysis::FindPhases(f);
  const analysis::FlightAnalysis a = analysis::AnalyseFlight(f, phases);
  const std::vector<analysis::SensorFaultSpan> faults = analysis::SensorFaultSpans(f, analysis::Limits{});
  ASSERT_EQ(a.digest.sensorFaults.size(), faults.size());
  EXPECT_FALSE(faults.empty());
  for (std::size_t i = 0; i < faults.size(); ++i) {
    EXPECT_EQ(a.digest.sensorFaults[i].channel, faults[i].channel);
    EXPECT_EQ(a.digest.sensorFaults[i].start, faults[i].start);
    EXPECT_EQ(a.digest.sensorFaults[i].end, faults[i].end);
  }
  const analysis::ValveScreen alone = analysis::ScreenValves(f, phases.of(analysis::Phase::Cruise), analysis::Limits{});
  ASSERT_EQ(a.digest.valveSwings.size(), alone.cylinders.size());
  for (std::size_t i = 0; i < alone.cylinders.size(); ++i) {
    EXPECT_EQ(a.digest.valveSwings[i].channel, alone.cylinders[i].channel);
    EXPECT_EQ(a.digest.valveSwings[i].amplitude, alone.cylinders[i].amplitude);
  }
  EXPECT_EQ(a.digest.valveJudged, alone.judged);
  const analysis::FlightSummary summary = analysis::SummarizeFlight(f);
  ASSERT_EQ(a.summary.channels.size(), summary.channels.size());
  for (std::size_t c = 0; c < summary.channels.size(); ++c) {
    EXPECT_EQ(a.summary.channels[c].mean, summary.channels[c].mean) << f.channels[c].name;
    EXPECT_EQ(a.summary.channels[c].maxAt, summary.channels[c].maxAt) << f.channels[c].name;
  }
  const analysis::LastLean lean = analysis::LastLeanOf(analysis::FindLeanTests(f, analysis::Limits{}, phases.of(analysis::Phase::Cruise)));
  EXPECT_FALSE(lean.verdict.empty());
  EXPECT_EQ(a.lean.verdict, lean.verdict);
  // And the digest is the same found again: nothing of one half leaks into the other.
  EXPECT_EQ(described(analysis::AnalyseEngine(f, analysis::Limits{}), a),
            described(analysis::AnalyseEngine(f, analysis::Limits{}), analysis::AnalyseFlight(f, phases)));
}

// Both parts run, in turn or side by side, and what either throws reaches the caller.
TEST(EngineAnalysis, RunBesideDoesBothPartsAndPassesOnWhatTheyThrow) {
  const struct {
    bool parallel, besideThrows, hereThrows;
  } cases[] = {{false, false, false}, {true, false, false}, {false, true, false},
               {true, true, false},   {false, false, true}, {true, false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.parallel) + std::to_string(c.besideThrows) + std::to_string(c.hereThrows));
    bool besideRan = false, hereRan = false, thrown = false;
    try {
      analysis::RunBeside(
          c.parallel,
          [&] {
            besideRan = true;
            if (c.besideThrows) throw std::runtime_error("beside");
          },
          [&] {
            hereRan = true;
            if (c.hereThrows) throw std::runtime_error("here");
          });
    } catch (const std::runtime_error&) {
      thrown = true;
    }
    EXPECT_EQ(thrown, c.besideThrows || c.hereThrows);
    EXPECT_TRUE(besideRan);
    // In turn (and without threads), a part that throws first leaves the other undone.
    EXPECT_EQ(hereRan, (c.parallel && analysis::kThreadsBeside) || !c.besideThrows);
  }
}

// The scheduler runs each task once and after every task it needs, in turn
// or on two workers, and passes on what a task throws without beginning any
// task after it.
TEST(EngineAnalysis, TasksRunOnceAfterWhatTheyNeedAndPassOnWhatTheyThrow) {
  const struct {
    bool parallel;
    int throwing;  // the task that throws; -1 none
  } cases[] = {{false, -1}, {true, -1}, {false, 2}, {true, 2}, {true, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.parallel) + " " + std::to_string(c.throwing));
    // 0 and 1 need nothing, 2 needs 0, 3 needs 1 and 2, 4 needs 3, 5 needs 0.
    const std::vector<std::vector<std::size_t>> needs = {{}, {}, {0}, {1, 2}, {3}, {0}};
#ifdef VARNIX_RUN_BESIDE_IN_TURN
    struct {  // no threads: the tasks run in turn
      void lock() {}
      void unlock() {}
    } m;
#else
    std::mutex m;
#endif
    std::vector<int> order;
    std::vector<analysis::Task> tasks;
    for (std::size_t i = 0; i < needs.size(); ++i)
      tasks.push_back({needs[i], [&, i] {
                         {
                           std::lock_guard lock(m);
                           order.push_back(static_cast<int>(i));
                         }
                         if (static_cast<int>(i) == c.throwing) throw std::runtime_error("task");
                       }});
    bool thrown = false;
    try {
      analysis::RunTasks(tasks, c.parallel);
    } catch (const std::runtime_error&) {
      thrown = true;
    }
    EXPECT_EQ(thrown, c.throwing >= 0);
    for (std::size_t i = 0; i < needs.size(); ++i) {
      const auto at = std::find(order.begin(), order.end(), static_cast<int>(i));
      EXPECT_LE(std::count(order.begin(), order.end(), static_cast<int>(i)), 1);
      if (at == order.end()) {
        EXPECT_GE(c.throwing, 0) << "task " << i << " left undone";
        continue;
      }
      for (std::size_t n : needs[i]) {
        const auto need = std::find(order.begin(), order.end(), static_cast<int>(n));
        EXPECT_TRUE(need < at) << "task " << i << " before " << n;
        EXPECT_NE(static_cast<int>(n), c.throwing) << "task " << i << " after its need threw";
      }
    }
  }
}

// Every registered analysis, asked for alone on a short and a long flight,
// runs with only what it needs (each row's needs stand above it, as the
// rows in turn require) and gives what the whole analysis gives.
TEST(EngineAnalysis, EachRegisteredAnalysisRunsAloneAndGivesWhatTheWholeGives) {
  const std::span<const analysis::AnalysisRow> rows = analysis::AnalysisRows();
  for (std::size_t i = 0; i < rows.size(); ++i)
    for (std::string_view n : rows[i].needs) {
      const auto need = std::find_if(rows.begin(), rows.end(), [&](const analysis::AnalysisRow& r) { return r.name == n; });
      EXPECT_TRUE(need < rows.begin() + static_cast<std::ptrdiff_t>(i)) << rows[i].name << " needs " << n;
    }
  const struct {
    const char* what;
    int interval;
    double minutes;
  } flights[] = {{"an hour at 6 s", 6, 60}, {"a long flight at 1 s", 1, 180}};
  for (const auto& f : flights) {
    SCOPED_TRACE(f.what);
    sim::encode::ProfileOptions o;
    o.interval = f.interval;
    o.minutes = f.minutes;
    o.events.valve = o.events.probe = o.events.lean = o.events.mag = o.events.hot = true;
    TempDir dir;
    const std::vector<std::string> files = expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
    ASSERT_EQ(files.size(), 1u);
    const flight::FlightRead read = flight::OpenFlight(files[0]);
    ASSERT_TRUE(read.ok()) << read.problem;
    const analysis::Limits defaults;
    analysis::FlightAnalysis whole;
    const EngineAnalysis all = analysis::AnalyseEngine(read.value, defaults, whole);
    const std::string expected = described(all, whole);
    for (const analysis::AnalysisRow& row : rows) {
      SCOPED_TRACE(std::string(row.name));
      analysis::AnalysisRun run(read.value, defaults, true);
      const std::string_view wanted[] = {row.name};
      ASSERT_NO_THROW(analysis::RunAnalyses(run, wanted));
      // What a presenter shows of the row: titled sections with something
      // to say, each table row a cell per column.
      if (!row.sections) continue;
      const analysis::ResultSections sections = row.sections(read.value, all);
      EXPECT_FALSE(sections.empty());
      for (const analysis::ResultSection& s : sections) {
        EXPECT_FALSE(s.title.empty());
        EXPECT_TRUE(!s.lines.empty() || !s.rows.empty() || !s.empty.empty()) << s.title;
        for (const analysis::ResultLine& line : s.lines) EXPECT_FALSE(line.empty()) << s.title;
        for (const analysis::ResultRow& r : s.rows) EXPECT_EQ(r.cells.size(), s.columns.size()) << s.title;
      }
    }
    // The presenters' sections, one per title, in the order they are shown.
    std::vector<std::string> titles;
    for (const analysis::ResultSection& s : analysis::DescribeAnalyses(read.value, all)) titles.push_back(s.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"Phases", "Power, mixture, valves and sensors", "Lean test", "Magneto check"}));
    // All rows asked for at once give what AnalyseEngine gives.
    analysis::AnalysisRun run(read.value, defaults, true);
    std::vector<std::string_view> every;
    for (const analysis::AnalysisRow& row : rows) every.push_back(row.name);
    analysis::RunAnalyses(run, every);
    run.engine.phases.figures = std::move(run.phaseFigures);
    EXPECT_EQ(described(run.engine, run.analysed), expected);
    EXPECT_EQ(run.engine.phases.figures.size(), all.phases.figures.size());
  }
}

}  // namespace
}  // namespace varnix::test
