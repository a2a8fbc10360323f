// SPDX-License-Identifier: MIT
#include "analysis/flight_summary.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

namespace varnix::analysis {

namespace {

bool available(float v) { return !std::isnan(v); }

std::string groupKey(flight::ChannelGroup g) {
  switch (g) {
    case flight::ChannelGroup::Egt: return "EGT";
    case flight::ChannelGroup::Cht: return "CHT";
    case flight::ChannelGroup::Tit: return "TIT";
    default: return {};
  }
}

// Keeps `candidate` in `list` under `key` when it beats what is there.
void keep(std::vector<Extreme>& list, const std::string& key, const Extreme& candidate, bool larger) {
  for (Extreme& e : list)
    if (e.key == key) {
      if (larger ? candidate.value > e.value : candidate.value < e.value) e = candidate;
      return;
    }
  list.push_back(candidate);
}

// A channel's value `x` at `at` seconds into its statistics, `sum` its total so far.
void take(ChannelStats& s, double& sum, double x, double at) {
  if (s.count == 0 || x < s.min) {
    s.min = x;
    s.minAt = at;
  }
  if (s.count == 0 || x > s.max) {
    s.max = x;
    s.maxAt = at;
  }
  sum += x;
  ++s.count;
}

// FF is a rate per hour: its integral over the rows, trapezoids skipping NA.
double integrateFlow(const flight::Flight& flight, std::span<const float> ff) {
  double total = 0;
  for (std::size_t r = 1; r < flight.rows(); ++r)
    if (available(ff[r]) && available(ff[r - 1]))
      total += (ff[r] + ff[r - 1]) / 2.0 * (flight.seconds[r] - flight.seconds[r - 1]) / 3600.0;
  return total;
}

}  // namespace

const Extreme* FlightSummary::find(const std::vector<Extreme>& list, std::string_view key) const {
  for (const Extreme& e : list)
    if (e.key == key) return &e;
  return nullptr;
}

ChannelStats StatsOf(const flight::Flight& flight, std::size_t channel, std::size_t firstRow, std::size_t endRow) {
  ChannelStats s;
  const std::span<const float> v = flight.column(channel);
  double sum = 0;
  for (std::size_t r = firstRow; r < endRow && r < v.size(); ++r)
    if (available(v[r])) take(s, sum, v[r], flight.seconds[r]);
  if (s.count) s.mean = sum / static_cast<double>(s.count);
  return s;
}

namespace {

// StatsOf of every channel over all rows, four channels at once: each still
// takes its rows in order, but the four sums run side by side instead of
// each waiting on its last addition.
std::vector<ChannelStats> statsOfAll(const flight::Flight& flight) {
  constexpr std::size_t kSideBySide = 4;
  const std::size_t channels = flight.channels.size(), rows = flight.rows();
  std::vector<ChannelStats> out(channels);
  for (std::size_t g = 0; g < channels; g += kSideBySide) {
    const std::size_t k = std::min(kSideBySide, channels - g);
    std::array<const float*, kSideBySide> column{};
    std::array<std::size_t, kSideBySide> size{};
    for (std::size_t j = 0; j < kSideBySide; ++j) {
      const std::span<const float> c = flight.column(g + (j < k ? j : 0));
      column[j] = c.data();
      size[j] = std::min(rows, c.size());
    }
    const std::size_t n = *std::min_element(size.begin(), size.begin() + static_cast<std::ptrdiff_t>(k));
    if (n != *std::max_element(size.begin(), size.begin() + static_cast<std::ptrdiff_t>(k))) {
      for (std::size_t j = 0; j < k; ++j) out[g + j] = StatsOf(flight, g + j, 0, rows);  // a short column: one by one
      continue;
    }
    std::array<ChannelStats, kSideBySide> s{};
    std::array<double, kSideBySide> total{};
    for (std::size_t r = 0; r < n; ++r)
      for (std::size_t j = 0; j < kSideBySide; ++j) {
        const float v = column[j][r];
        if (available(v)) take(s[j], total[j], v, flight.seconds[r]);
      }
    for (std::size_t j = 0; j < k; ++j) {
      if (s[j].count) s[j].mean = total[j] / static_cast<double>(s[j].count);
      out[g + j] = s[j];
    }
  }
  return out;
}

}  // namespace

FlightSummary SummarizeFlight(const flight::Flight& flight) {
  FlightSummary sum;
  sum.recordedSeconds = flight.rows() ? flight.seconds.back() : 0;
  sum.channels = statsOfAll(flight);
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const ChannelStats& s = sum.channels[c];
    if (s.count == 0) continue;
    const flight::Channel& k = flight.channels[c];
    const std::string& name = k.name;
    const std::string prefix(flight::EnginePrefix(k.engine));
    const std::string group = groupKey(k.group());
    if (!group.empty())
      keep(sum.hottest, prefix + group, {prefix + group, name, s.max, s.maxAt, k.kind, k.engine, false}, true);
    if (k.kind == flight::ChannelKind::Dif)
      keep(sum.maxSpread, name, {name, name, s.max, s.maxAt, k.kind, k.engine, false}, true);
    if (k.kind == flight::ChannelKind::Cld)
      keep(sum.fastestCooling, name, {name, name, s.min, s.minAt, k.kind, k.engine, true}, false);
    if (k.kind == flight::ChannelKind::Battery) {
      sum.battery.push_back({name + " min", name, s.min, s.minAt, k.kind, k.engine, true});
      sum.battery.push_back({name + " max", name, s.max, s.maxAt, k.kind, k.engine, false});
    }
  }
  // Fuel used per engine: the last USD value the instrument totalled, else
  // the integrated fuel flow.
  for (flight::Engine engine : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right}) {
    const int usd = flight::FindChannel(flight.channels, flight::ChannelKind::FuelUsed, engine);
    const int ff = flight::FindChannel(flight.channels, flight::ChannelKind::FuelFlow, engine);
    FuelUsed used{engine, 0, false};
    bool found = false;
    if (usd >= 0) {
      const std::span<const float> v = flight.column(static_cast<std::size_t>(usd));
      for (std::size_t r = v.size(); r-- > 0;)
        if (available(v[r])) {
          used.amount = v[r];
          used.fromUsd = found = true;
          break;
        }
    }
    if (!found && ff >= 0) {
      used.amount = integrateFlow(flight, flight.column(static_cast<std::size_t>(ff)));
      found = true;
    }
    if (found) sum.fuel.push_back(used);
  }
  return sum;
}

}  // namespace varnix::analysis
