// SPDX-License-Identifier: MIT
#include "analysis/engine_analysis.h"

namespace varnix::flight {

namespace {

// The analyses within the phases, which need no digest.
void analyseInPhases(const Flight& flight, const Limits& limits, EngineAnalysis& a) {
  a.powerMixture = AnalysePowerMixture(flight, limits, a.phases.spans);
  a.leanTests = FindLeanTests(flight, limits, a.phases.of(Phase::Cruise));
  a.magChecks = CheckMagnetos(flight, limits, a.phases);
}

// What is judged from the digest, which the caller found from `a.phases`.
void analyseWithDigest(const Limits& limits, EngineAnalysis& a) {
  for (const SensorFaultSpan& s : a.digest.sensorFaults) a.sensorFaults.push_back({s.channel, s.kind, s.start, s.end});
  a.valveScreen = ValveScreenOf(a.digest, limits);
  a.findings = EvaluateFindings(a.digest, limits);
}

}  // namespace

EngineAnalysis AnalyseEngine(const Flight& flight, const Limits& limits) {
  EngineAnalysis a;
  a.phases = FindPhaseSpans(flight);
  // The phases' figures are set once the digest, which reads the phases, is found.
  std::vector<PhaseFigures> figures;
  a.digest = DigestFlight(
      flight, a.phases, limits, [&] { figures = PhaseFiguresOf(flight, a.phases.spans); },
      [&] { analyseInPhases(flight, limits, a); });
  a.phases.figures = std::move(figures);
  analyseWithDigest(limits, a);
  return a;
}

EngineAnalysis AnalyseEngine(const Flight& flight, const Limits& limits, FlightAnalysis& analysed) {
  EngineAnalysis a;
  a.phases = FindPhaseSpans(flight);
  std::vector<PhaseFigures> figures;
  analysed = AnalyseFlight(
      flight, a.phases, [&] { figures = PhaseFiguresOf(flight, a.phases.spans); },
      [&] { analyseInPhases(flight, limits, a); });
  a.phases.figures = std::move(figures);
  // The catalog's digest is found under the default sensing thresholds; only
  // the sensor faults depend on them.
  a.digest = analysed.digest;
  if (!SameSensing(limits, Limits{})) a.digest.sensorFaults = SensorFaultSpans(flight, limits);
  analyseWithDigest(limits, a);
  return a;
}

}  // namespace varnix::flight
