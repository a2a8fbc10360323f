// SPDX-License-Identifier: MIT
#include "analysis/flight_analysis.h"

#include <cmath>
#include <limits>

#include "analysis/analysis_registry.h"

namespace varnix::analysis {

namespace {

// The extreme of `kind` over both engines of a twin: the largest maximum,
// or the smallest minimum when `lowest`.
Figure best(const std::vector<Extreme>& list, flight::ChannelKind kind, bool lowest) {
  Figure f;
  for (const Extreme& e : list) {
    if (e.kind != kind || e.lowest != lowest) continue;
    if (!f.known() || (lowest ? e.value < f.value : e.value > f.value))
      f = {e.key, e.channel, static_cast<float>(e.value), static_cast<float>(e.at)};
  }
  return f;
}

// The rows whose results a FlightAnalysis holds.
constexpr std::string_view kSummaryRows[] = {"summary", "digest", "headline", "last_lean"};

}  // namespace

FlightAnalysis AnalyseFlight(const flight::Flight& f) {
  AnalysisRun run(f, DefaultLimits(), true);
  RunAnalyses(run, kSummaryRows);
  return std::move(run.analysed);
}

FlightAnalysis AnalyseFlight(const flight::Flight& f, const FlightPhases& phases) {
  AnalysisRun run(f, DefaultLimits(), true);
  run.engine.phases = phases;
  const std::string_view given[] = {"phases"};
  RunAnalyses(run, kSummaryRows, given);
  return std::move(run.analysed);
}

Headline HeadlineOf(const flight::Flight& f, const FlightSummary& s, const FlightDigest& digest) {
  Headline h;
  h.hottestEgt = best(s.hottest, flight::ChannelKind::Egt, false);
  h.hottestCht = best(s.hottest, flight::ChannelKind::Cht, false);
  h.hottestTit = best(s.hottest, flight::ChannelKind::Tit, false);
  h.difMax = best(s.maxSpread, flight::ChannelKind::Dif, false);
  for (const Extreme& x : s.hottest)
    h.hottest.push_back({x.key, x.channel, static_cast<float>(x.value), static_cast<float>(x.at)});
  h.fastestCooling = best(s.fastestCooling, flight::ChannelKind::Cld, true);
  if (!h.fastestCooling.known())
    for (const Envelope& env : digest.envelopes) {
      if (!env.derived) continue;
      for (std::size_t b = 0; b < env.min.size(); ++b)
        if (!std::isnan(env.min[b]) && (!h.fastestCooling.known() || env.min[b] < h.fastestCooling.value))
          h.fastestCooling = {"CLD", env.channel, env.min[b], env.minAt[b]};
    }
  h.batteryMin = best(s.battery, flight::ChannelKind::Battery, true);
  if (h.batteryMin.known()) h.batteryMin.key = "BAT";
  h.fuelUsed = s.fuel.empty() ? std::numeric_limits<float>::quiet_NaN() : 0.0f;
  for (const FuelUsed& u : s.fuel) h.fuelUsed += static_cast<float>(u.amount);
  for (std::size_t c = 0; c < f.channels.size(); ++c)
    if (f.channels[c].kind == flight::ChannelKind::Cht && s.channels[c].count)
      h.maxCht.push_back({f.channels[c].name, f.channels[c].name, static_cast<float>(s.channels[c].max),
                          static_cast<float>(s.channels[c].maxAt), f.channels[c].cylinder, f.channels[c].engine});
  return h;
}

}  // namespace varnix::analysis
