// SPDX-License-Identifier: MIT
#include "analysis/flight_analysis.h"

#include <cmath>
#include <limits>
#include <string_view>

namespace varnix::flight {

namespace {

// The extreme of a group over both engines of a twin.
Figure best(const std::vector<Extreme>& list, std::string_view suffix, bool larger) {
  Figure f;
  for (const Extreme& e : list) {
    const std::string_view key = e.key;
    const bool twin = key.size() == suffix.size() + 1 && (key[0] == 'L' || key[0] == 'R') && key.substr(1) == suffix;
    if (key != suffix && !twin) continue;
    if (!f.known() || (larger ? e.value > f.value : e.value < f.value))
      f = {e.key, e.channel, static_cast<float>(e.value), static_cast<float>(e.at)};
  }
  return f;
}

}  // namespace

FlightAnalysis AnalyseFlight(const Flight& f) {
  FlightAnalysis a;
  a.summary = SummarizeFlight(f);
  a.digest = DigestFlight(f);
  const FlightSummary& s = a.summary;
  Headline& h = a.headline;
  h.hottestEgt = best(s.hottest, "EGT", true);
  h.hottestCht = best(s.hottest, "CHT", true);
  h.hottestTit = best(s.hottest, "TIT", true);
  h.difMax = best(s.maxSpread, "DIF", true);
  for (const Extreme& x : s.hottest)
    h.hottest.push_back({x.key, x.channel, static_cast<float>(x.value), static_cast<float>(x.at)});
  h.fastestCooling = best(s.fastestCooling, "CLD", false);
  if (!h.fastestCooling.known())
    for (const Envelope& env : a.digest.envelopes) {
      if (!env.derived) continue;
      for (std::size_t b = 0; b < env.min.size(); ++b)
        if (!std::isnan(env.min[b]) && (!h.fastestCooling.known() || env.min[b] < h.fastestCooling.value))
          h.fastestCooling = {"CLD", env.channel, env.min[b], env.minAt[b]};
    }
  for (const Extreme& x : s.battery)
    if (x.key.size() > 4 && x.key.substr(x.key.size() - 4) == " min" &&
        (!h.batteryMin.known() || x.value < h.batteryMin.value))
      h.batteryMin = {"BAT", x.channel, static_cast<float>(x.value), static_cast<float>(x.at)};
  h.fuelUsed = s.fuel.empty() ? std::numeric_limits<float>::quiet_NaN() : 0.0f;
  for (const FuelUsed& u : s.fuel) h.fuelUsed += static_cast<float>(u.amount);
  for (std::size_t c = 0; c < f.channels.size(); ++c)
    if (f.channels[c].kind == ChannelKind::Cht && s.channels[c].count)
      h.maxCht.push_back({f.channels[c].name, f.channels[c].name, static_cast<float>(s.channels[c].max),
                          static_cast<float>(s.channels[c].maxAt), f.channels[c].cylinder, f.channels[c].engine});
  return a;
}

}  // namespace varnix::flight
