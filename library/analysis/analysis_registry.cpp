// SPDX-License-Identifier: MIT
#include "analysis/analysis_registry.h"

#include <algorithm>
#include <iterator>
#include <nlohmann/json.hpp>

#include "analysis/findings.h"
#include "analysis/flight_phases.h"
#include "analysis/flight_summary.h"
#include "analysis/lean_test.h"
#include "analysis/mag_check.h"
#include "analysis/power_mixture.h"
#include "analysis/run_beside.h"
#include "analysis/sensor_faults.h"
#include "analysis/task_graph.h"

namespace varnix::analysis {

namespace {

// The digest's rows first (the envelopes are the longest part of a long
// flight's analysis, the EGTs' neighbours the next), then the engine
// analyses, then what is judged from the digest.
const std::vector<AnalysisRow> kRows = {
    {"phases", {}, [](AnalysisRun& r) { r.engine.phases = FindPhaseSpans(r.flight); },
     [](const flight::Flight& f, const EngineAnalysis& a) { return PhaseSections(f, a.phases); },
     {{"phases", [](const EngineAnalysis& a) { return PhasesJson(a.phases); }},
      {"events", [](const EngineAnalysis& a) { return EventsJson(a.phases); }},
      {"phase_basis", [](const EngineAnalysis& a) { return Json(a.phases.basis); }}}},
    {"digest_envelopes", {},
     [](AnalysisRun& r) {
       r.analysed.digest = StartDigest(r.flight);
       AddEnvelopesAndCruise(r.flight, r.analysed.digest);
     }},
    {"egt_neighbours", {},
     [](AnalysisRun& r) { r.egtNeighbours = NeighboursOf(r.flight, CylinderGroups(r.flight, flight::ChannelKind::Egt)); }},
    {"digest_faults", {"egt_neighbours"},
     [](AnalysisRun& r) { r.digestFaults = FindSensorFaults(r.flight, r.digestSensing(), r.egtNeighbours); }},
    // Over the cruise phases or, without any, over the steady cruise of the envelopes' row.
    {"digest_valves", {"phases", "digest_envelopes", "egt_neighbours"},
     [](AnalysisRun& r) {
       r.cruiseValves = ScreenValves(r.flight, ValveScreenSpans(r.engine.phases, r.analysed.digest), DefaultLimits(),
                                     r.egtNeighbours);
     }},
    // The run-up's checks under the default thresholds, as the catalog keeps them.
    {"digest_mag_checks", {"phases", "digest_envelopes"},
     [](AnalysisRun& r) {
       r.analysed.digest.magChecks = RunupChecksOf(ReadRunup(r.flight, DefaultLimits(), r.engine.phases).checks);
     }},
    {"summary", {}, [](AnalysisRun& r) { r.analysed.summary = SummarizeFlight(r.flight); }},
    {"digest", {"phases", "digest_envelopes", "digest_faults", "digest_valves", "digest_mag_checks"},
     [](AnalysisRun& r) {
       AddPhaseTimes(r.engine.phases, r.analysed.digest);
       AddScreens(r.flight, r.digestFaults, r.cruiseValves, r.analysed.digest);
     }},
    {"phase_figures", {"phases"}, [](AnalysisRun& r) { r.phaseFigures = PhaseFiguresOf(r.flight, r.engine.phases.spans); }},
    {"power_mixture", {"phases"},
     [](AnalysisRun& r) { r.engine.powerMixture = AnalysePowerMixture(r.flight, r.limits, r.engine.phases.spans); },
     [](const flight::Flight&, const EngineAnalysis& a) { return PowerMixtureSections(a.powerMixture); },
     {{"power", [](const EngineAnalysis& a) { return PowerJson(a.powerMixture.power); }, false},
      {"mixture", [](const EngineAnalysis& a) { return MixtureJson(a.powerMixture.mixture); }}}},
    {"lean_tests", {"phases"},
     [](AnalysisRun& r) { r.engine.leanTests = FindLeanTests(r.flight, r.limits, r.engine.phases.of(Phase::Cruise)); },
     [](const flight::Flight& f, const EngineAnalysis& a) { return LeanTestSections(f, a.leanTests); },
     {{"lean_tests", [](const EngineAnalysis& a) { return LeanTestsJson(a.leanTests); }}}},
    {"mag_checks", {"phases"},
     [](AnalysisRun& r) {
       RunupReading runup = ReadRunup(r.flight, r.limits, r.engine.phases);
       r.engine.magChecks = std::move(runup.checks);
       r.engine.runupDips = std::move(runup.others);
     },
     [](const flight::Flight& f, const EngineAnalysis& a) { return MagCheckSections(f, a.magChecks, a.runupDips); },
     {{"mag_checks", [](const EngineAnalysis& a) { return MagChecksJson(a.magChecks); }},
      {"runup_dips", [](const EngineAnalysis& a) { return RunupDipsJson(a.runupDips); }}}},
    // The last lean test as the catalog keeps it, its sweeps found under the default limits.
    {"last_lean", {"phases"},
     [](AnalysisRun& r) {
       r.analysed.lean = LastLeanOf(FindLeanTests(r.flight, DefaultLimits(), r.engine.phases.of(Phase::Cruise)));
     }},
    {"headline", {"summary", "digest"},
     [](AnalysisRun& r) { r.analysed.headline = HeadlineOf(r.flight, r.analysed.summary, r.analysed.digest); }},
    // The digest the engine's findings are judged from: the catalog's one,
    // its sensor faults found again where the aircraft's sensing differs;
    // taken over whole when no summary is asked for (then no other row reads it).
    {"engine_digest", {"digest"},
     [](AnalysisRun& r) {
       if (!r.summaryWanted) {
         r.engine.digest = std::move(r.analysed.digest);
         return;
       }
       r.engine.digest = r.analysed.digest;
       if (!SameSensing(r.limits, DefaultLimits())) r.engine.digest.sensorFaults = SensorFaultSpans(r.flight, r.limits);
     }},
    // The valve screen's line stands above the sensors', its JSON after theirs.
    {"valve_screen", {"engine_digest"},
     [](AnalysisRun& r) { r.engine.valveScreen = ValveScreenOf(r.engine.digest, r.limits); },
     [](const flight::Flight& f, const EngineAnalysis& a) { return ValveScreenSections(f, a.valveScreen); },
     {{"valve_screen", [](const EngineAnalysis& a) { return ValveScreenJson(a.valveScreen); }, true, "sensor_faults"}}},
    {"sensor_faults", {"engine_digest"},
     [](AnalysisRun& r) {
       for (const SensorFaultSpan& s : r.engine.digest.sensorFaults)
         r.engine.sensorFaults.push_back({s.channel, s.kind, s.start, s.end});
     },
     [](const flight::Flight&, const EngineAnalysis& a) { return SensorFaultSections(a.sensorFaults); },
     {{"sensor_faults", [](const EngineAnalysis& a) { return SensorFaultsJson(a.sensorFaults); }}}},
    // The magneto checks judged as the run's own row found them, under the aircraft's limits.
    {"findings", {"engine_digest", "mag_checks"},
     [](AnalysisRun& r) {
       r.engine.digest.magChecks = RunupChecksOf(r.engine.magChecks);
       r.engine.findings = EvaluateFindings(r.engine.digest, r.limits);
     }},
};

std::size_t rowOf(std::string_view name) {
  for (std::size_t i = 0; i < kRows.size(); ++i)
    if (kRows[i].name == name) return i;
  return kRows.size();
}

bool named(std::span<const std::string_view> names, std::string_view name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

}  // namespace

const Limits& DefaultLimits() {
  static const Limits defaults;
  return defaults;
}

const Limits& AnalysisRun::digestSensing() const { return summaryWanted ? DefaultLimits() : limits; }

std::span<const AnalysisRow> AnalysisRows() { return kRows; }

void RunAnalyses(AnalysisRun& run, std::span<const std::string_view> wanted, std::span<const std::string_view> given) {
  // The rows asked for and what they need, found from the last row up: a
  // row's needs stand above it.
  std::vector<bool> asked(kRows.size(), false);
  for (std::string_view w : wanted)
    if (const std::size_t i = rowOf(w); i < kRows.size()) asked[i] = true;
  for (std::size_t i = kRows.size(); i-- > 0;) {
    if (!asked[i] || named(given, kRows[i].name)) {
      asked[i] = false;
      continue;
    }
    for (std::string_view n : kRows[i].needs)
      if (const std::size_t k = rowOf(n); k < i && !named(given, n)) asked[k] = true;
  }
  std::vector<std::size_t> taskOf(kRows.size(), kRows.size());
  std::vector<Task> tasks;
  for (std::size_t i = 0; i < kRows.size(); ++i) {
    if (!asked[i]) continue;
    Task t;
    for (std::string_view n : kRows[i].needs)
      if (const std::size_t k = rowOf(n); k < kRows.size() && taskOf[k] < tasks.size()) t.needs.push_back(taskOf[k]);
    t.run = [&run, row = &kRows[i]] { row->run(run); };
    taskOf[i] = tasks.size();
    tasks.push_back(std::move(t));
  }
  RunTasks(tasks, run.flight.rows() >= kParallelRows);
}

ResultSections DescribeAnalyses(const flight::Flight& flight, const EngineAnalysis& result) {
  ResultSections out;
  for (const AnalysisRow& row : kRows) {
    if (!row.sections) continue;
    for (ResultSection& s : row.sections(flight, result)) {
      const auto same = std::find_if(out.begin(), out.end(), [&](const ResultSection& x) { return x.title == s.title; });
      if (same == out.end()) {
        out.push_back(std::move(s));
        continue;
      }
      same->lines.insert(same->lines.end(), std::make_move_iterator(s.lines.begin()), std::make_move_iterator(s.lines.end()));
      same->rows.insert(same->rows.end(), std::make_move_iterator(s.rows.begin()), std::make_move_iterator(s.rows.end()));
    }
  }
  return out;
}

void AddAnalysesJson(const EngineAnalysis& result, Json& object, std::vector<std::string_view>& blockKeys) {
  std::vector<const JsonMember*> members;
  for (const AnalysisRow& row : kRows)
    for (const JsonMember& m : row.json)
      if (m.after.empty()) members.push_back(&m);
  for (const AnalysisRow& row : kRows)
    for (const JsonMember& m : row.json) {
      if (m.after.empty()) continue;
      const auto before = std::find_if(members.begin(), members.end(), [&](const JsonMember* x) { return x->key == m.after; });
      members.insert(before == members.end() ? before : before + 1, &m);
    }
  for (const JsonMember* m : members) {
    object[std::string(m->key)] = m->write(result);
    if (m->block) blockKeys.push_back(m->key);
  }
}

FlightDigest DigestFlight(const flight::Flight& flight) {
  AnalysisRun run(flight, DefaultLimits(), false);
  const std::string_view wanted[] = {"digest"};
  RunAnalyses(run, wanted);
  return std::move(run.analysed.digest);
}

FlightDigest DigestFlight(const flight::Flight& flight, const FlightPhases& phases, const Limits& sensing) {
  AnalysisRun run(flight, sensing, false);
  run.engine.phases = phases;
  const std::string_view wanted[] = {"digest"}, given[] = {"phases"};
  RunAnalyses(run, wanted, given);
  return std::move(run.analysed.digest);
}

}  // namespace varnix::analysis
