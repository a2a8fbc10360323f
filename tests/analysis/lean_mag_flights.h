// SPDX-License-Identifier: GPL-3.0-or-later
// Flights built in memory for the lean test and the magneto check: typed
// channels whose values come from functions of the time, recorded as the
// instrument records them (EGT in whole degrees, fuel flow in tenths) with
// a little repeatable noise.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "sensor_valve_flights.h"  // plainChannel
#include "flight/flight.h"

namespace varnix::test {

// Noise in [-1, 1], the same for the same channel and row.
inline double noise(int channel, std::size_t row) {
  std::uint32_t x = static_cast<std::uint32_t>(channel) * 2654435761u ^ static_cast<std::uint32_t>(row) * 40503u;
  x ^= x >> 13, x *= 0x5bd1e995u, x ^= x >> 15;
  return (x % 20001) / 10000.0 - 1.0;
}

struct BuiltChannel {
  flight::Channel channel;
  std::function<double(double)> value;  // of the seconds from the first row; NaN for none
  double noise = 0;                     // the largest noise added
  double step = 1;                      // recorded to multiples of this
};

inline flight::Channel egtChannel(int cylinder, flight::Unit unit = flight::Unit::DegreesF) {
  std::string name = "E";
  name += std::to_string(cylinder);
  return {name, flight::ChannelKind::Egt, flight::Engine::Only, cylinder, 0, unit};
}

// `seconds` long at one row each `interval`.
inline flight::Flight BuildFlight(double seconds, double interval, const std::vector<BuiltChannel>& channels,
                                  char engineUnit = 'F') {
  flight::Flight f;
  f.facts.interval = static_cast<int>(interval);
  f.facts.engineUnit = engineUnit;
  for (const BuiltChannel& c : channels) f.channels.push_back(c.channel);
  const auto rows = static_cast<std::size_t>(seconds / interval) + 1;
  f.columns.reset(channels.size(), rows);
  for (std::size_t r = 0; r < rows; ++r) {
    const double t = static_cast<double>(r) * interval;
    f.columns.makeRoom();
    for (std::size_t c = 0; c < channels.size(); ++c) {
      const double v = channels[c].value(t) + channels[c].noise * noise(static_cast<int>(c), r);
      f.columns.next(c) = static_cast<float>(std::isfinite(v) ? std::round(v / channels[c].step) * channels[c].step : v);
    }
    f.columns.addRow();
    f.seconds.push_back(t);
  }
  return f;
}

}  // namespace varnix::test
