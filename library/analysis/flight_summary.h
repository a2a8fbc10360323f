// SPDX-License-Identifier: MIT
// The figures of a flight that owners look for first: per channel min, max
// and mean, the hottest cylinder of each temperature group, the widest
// spread, the fastest cooling, the battery's range and the fuel used.
// Twin flights keep their engines apart.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "flight/channels.h"
#include "flight/flight.h"

namespace varnix::analysis {

struct ChannelStats {
  std::size_t count = 0;  // values that were available; the rest are NaN
  double min = 0, max = 0, mean = 0;
  double maxAt = 0;       // seconds from the start of the first maximum
  double minAt = 0;       // and of the first minimum
};

// A channel's extreme value, e.g. the hottest EGT. Code picks extremes by
// kind, engine and side; the key is their name for display and JSON.
struct Extreme {
  std::string key;      // what it is: "EGT", "LCHT", "DIF", "CLD", "BAT min", ...
  std::string channel;  // which channel gave it: "E3"
  double value = 0;
  double at = 0;        // seconds from the start
  flight::ChannelKind kind = flight::ChannelKind::Other;  // of the channel
  flight::Engine engine = flight::Engine::Only;
  bool lowest = false;  // the channel's minimum; else its maximum
};

struct FuelUsed {
  flight::Engine engine = flight::Engine::Only;
  double amount = 0;     // in the fuel unit's volume or mass (gal, L, lb, kg)
  bool fromUsd = false;  // the last USD value; else FF integrated over time
};

struct FlightSummary {
  std::vector<ChannelStats> channels;  // parallel to Flight::channels
  std::vector<Extreme> hottest;        // keys EGT, CHT, TIT; LEGT, REGT, ... for twins
  std::vector<Extreme> maxSpread;      // keys DIF, LDIF, RDIF
  std::vector<Extreme> fastestCooling; // keys CLD, LCLD, RCLD: the most negative value
  std::vector<Extreme> battery;        // keys "<channel> min" and "<channel> max"
  std::vector<FuelUsed> fuel;          // per engine that records fuel flow
  double recordedSeconds = 0;          // first to last row

  // The extreme of `list` shown under `key`.
  const Extreme* find(const std::vector<Extreme>& list, std::string_view key) const;
};

ChannelStats StatsOf(const flight::Flight& flight, std::size_t channel, std::size_t firstRow, std::size_t endRow);

FlightSummary SummarizeFlight(const flight::Flight& flight);

}  // namespace varnix::analysis
