// SPDX-License-Identifier: MIT
#include "analysis/engine_analysis.h"

#include "analysis/analysis_registry.h"

namespace varnix::analysis {

namespace {

// The rows whose results an EngineAnalysis holds.
constexpr std::string_view kEngineRows[] = {"phase_figures", "power_mixture", "lean_tests", "mag_checks",
                                            "sensor_faults", "valve_screen",  "findings"};
constexpr std::string_view kEngineAndSummaryRows[] = {"phase_figures", "power_mixture", "lean_tests", "mag_checks",
                                                      "sensor_faults", "valve_screen",  "findings",   "summary",
                                                      "headline",      "last_lean"};

EngineAnalysis taken(AnalysisRun& run) {
  run.engine.phases.figures = std::move(run.phaseFigures);
  return std::move(run.engine);
}

}  // namespace

EngineAnalysis AnalyseEngine(const flight::Flight& flight, const Limits& limits) {
  AnalysisRun run(flight, limits, false);
  RunAnalyses(run, kEngineRows);
  return taken(run);
}

EngineAnalysis AnalyseEngine(const flight::Flight& flight, const Limits& limits, FlightAnalysis& analysed) {
  AnalysisRun run(flight, limits, true);
  RunAnalyses(run, kEngineAndSummaryRows);
  analysed = std::move(run.analysed);
  return taken(run);
}

}  // namespace varnix::analysis
