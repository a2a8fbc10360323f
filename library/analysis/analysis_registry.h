// SPDX-License-Identifier: MIT
// Every analysis of a flight, one row each: its name, the rows it needs
// first and how it runs over the flight and what those found. AnalyseEngine,
// AnalyseFlight and DigestFlight ask for the rows whose results they give;
// RunAnalyses runs those and what they need, in dependency order, and on a
// long flight (kParallelRows) two workers share them (task_graph.h), so no
// analysis hands work to another to balance the threads.
//
// A row whose result the presenters show names how it describes that
// result as sections (result_sections.h); DescribeAnalyses walks the rows
// for them, so the terminal, the paper report and the Summary tab know no
// analysis by name. Its JSON members (`analyze --json`) are named in its row
// the same way and written by AddAnalysesJson.
//
// A new analysis: its own files (what it finds, `run`, its sections), a
// field for its result in EngineAnalysis (engine_analysis.h) and a row in
// analysis_registry.cpp naming what it needs, its sections and its JSON.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "analysis/cylinder_groups.h"
#include "analysis/engine_analysis.h"
#include "analysis/flight_analysis.h"
#include "analysis/result_json.h"
#include "analysis/result_sections.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "flight/flight.h"

namespace varnix::analysis {

// What the analyses of one flight find, each row writing its own part.
struct AnalysisRun {
  // The flight and the limits are held by reference: they outlive the run.
  AnalysisRun(const flight::Flight& f, const Limits& l, bool withSummary) : flight(f), limits(l), summaryWanted(withSummary) {}
  AnalysisRun(const flight::Flight&, const Limits&&, bool) = delete;

  const flight::Flight& flight;
  const Limits& limits;
  // Whether AnalyseFlight's result is asked for too: its digest is then the
  // catalog's, found under the default sensing thresholds, and the engine's
  // a copy with the sensor faults found again under `limits` where those differ.
  bool summaryWanted = false;

  EngineAnalysis engine;    // phases (without their figures until the end), the engine analyses
  FlightAnalysis analysed;  // summary, digest, headline, last lean test

  // Between the rows.
  std::vector<PhaseFigures> phaseFigures;     // set into engine.phases at the end
  std::vector<GroupNeighbours> egtNeighbours;  // the sensor faults and the valve screen share them
  std::vector<SensorFault> digestFaults;      // under the digest's sensing
  ValveScreen cruiseValves;                   // the digest's screen, under the default limits

  // The digest's sensing thresholds: the defaults when the summary is asked for.
  const Limits& digestSensing() const;
};

// A member of `analyze --json` that a row's result gives.
struct JsonMember {
  std::string_view key;
  Json (*write)(const EngineAnalysis& result);
  // Laid out one element a line (an array's, or a judged-not object's
  // members); else on one line.
  bool block = true;
  // The member it follows where that one is a later row's ("" for in the
  // rows' order; the end when there is none such): the JSON keeps its
  // documented order where the presenters' order of the rows differs.
  std::string_view after = {};
};

struct AnalysisRow {
  std::string_view name;
  std::vector<std::string_view> needs;  // rows above this one
  void (*run)(AnalysisRun& run);
  // Its result as the presenters show it; null for the steps between.
  ResultSections (*sections)(const flight::Flight& flight, const EngineAnalysis& result) = nullptr;
  // Its members of `analyze --json`, in their order; none for the steps between.
  std::vector<JsonMember> json = {};
};

// The default limits, which the catalog's digest and last lean test are found under.
const Limits& DefaultLimits();

// The rows, each after the rows it needs; a worker takes the first ready
// row, so the longer ones stand first.
std::span<const AnalysisRow> AnalysisRows();

// Runs the rows named in `wanted` and every row they need, but not those in
// `given` (their results set in `run` already), in dependency order.
void RunAnalyses(AnalysisRun& run, std::span<const std::string_view> wanted,
                 std::span<const std::string_view> given = {});

// The engine analysis of `flight` as sections, in the rows' order; a row's
// section titled as an earlier one adds its lines and rows to that one.
ResultSections DescribeAnalyses(const flight::Flight& flight, const EngineAnalysis& result);

// The engine analysis's members of `analyze --json`, added to `object` in
// the documented order (the rows', each row's in its own); the key of each
// one laid out a member a line is added to `blockKeys`.
void AddAnalysesJson(const EngineAnalysis& result, Json& object, std::vector<std::string_view>& blockKeys);

}  // namespace varnix::analysis
