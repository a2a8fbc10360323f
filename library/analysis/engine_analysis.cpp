// SPDX-License-Identifier: MIT
#include "analysis/engine_analysis.h"

namespace varnix::flight {

EngineAnalysis AnalyseEngine(const Flight& flight, const Limits& limits) {
  EngineAnalysis a;
  a.phases = FindPhases(flight);
  a.powerMixture = AnalysePowerMixture(flight, limits, a.phases.spans);
  a.leanTests = FindLeanTests(flight, limits, a.phases.of(Phase::Cruise));
  a.magChecks = CheckMagnetos(flight, limits, a.phases);
  a.digest = DigestFlight(flight, a.phases, limits);
  for (const SensorFaultSpan& s : a.digest.sensorFaults) a.sensorFaults.push_back({s.channel, s.kind, s.start, s.end});
  a.valveScreen = ValveScreenOf(a.digest, limits);
  a.findings = EvaluateFindings(a.digest, limits);
  return a;
}

}  // namespace varnix::flight
