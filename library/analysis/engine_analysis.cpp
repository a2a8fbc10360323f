// SPDX-License-Identifier: MIT
#include "analysis/engine_analysis.h"

namespace varnix::flight {

namespace {

// Everything but the digest, which the caller found from `a.phases`.
void analyseWithDigest(const Flight& flight, const Limits& limits, EngineAnalysis& a) {
  a.powerMixture = AnalysePowerMixture(flight, limits, a.phases.spans);
  a.leanTests = FindLeanTests(flight, limits, a.phases.of(Phase::Cruise));
  a.magChecks = CheckMagnetos(flight, limits, a.phases);
  for (const SensorFaultSpan& s : a.digest.sensorFaults) a.sensorFaults.push_back({s.channel, s.kind, s.start, s.end});
  a.valveScreen = ValveScreenOf(a.digest, limits);
  a.findings = EvaluateFindings(a.digest, limits);
}

}  // namespace

EngineAnalysis AnalyseEngine(const Flight& flight, const Limits& limits) {
  EngineAnalysis a;
  a.phases = FindPhases(flight);
  a.digest = DigestFlight(flight, a.phases, limits);
  analyseWithDigest(flight, limits, a);
  return a;
}

EngineAnalysis AnalyseEngine(const Flight& flight, const Limits& limits, FlightAnalysis& analysed) {
  EngineAnalysis a;
  a.phases = FindPhases(flight);
  analysed = AnalyseFlight(flight, a.phases);
  // The catalog's digest is found under the default sensing thresholds; only
  // the sensor faults depend on them.
  a.digest = analysed.digest;
  if (!SameSensing(limits, Limits{})) a.digest.sensorFaults = SensorFaultSpans(flight, limits);
  analyseWithDigest(flight, limits, a);
  return a;
}

}  // namespace varnix::flight
