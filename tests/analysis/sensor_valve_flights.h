// SPDX-License-Identifier: GPL-3.0-or-later
// Flights built in memory for the sensor-fault and valve tests: typed
// channels and a function that gives each value, so a case says only what
// differs from a clean engine.
#pragma once

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "flight/flight.h"

namespace varnix::test {

inline flight::Channel temperatureChannel(flight::ChannelKind kind, int cylinder, char unit = 'F',
                                          flight::Engine engine = flight::Engine::Only) {
  const char* prefix = kind == flight::ChannelKind::Egt ? "E" : kind == flight::ChannelKind::Cht ? "C" : "T";
  const std::string side = engine == flight::Engine::Left ? "L" : engine == flight::Engine::Right ? "R" : "";
  return {side + prefix + std::to_string(cylinder), kind, engine, cylinder, 0,
          unit == 'C' ? flight::Unit::DegreesC : flight::Unit::DegreesF};
}

inline flight::Channel plainChannel(const char* name, flight::ChannelKind kind, flight::Unit unit) {
  return {name, kind, flight::Engine::Only, 0, 0, unit};
}

// value(channel index, row, seconds) for every row of `rows`, `interval` s apart.
using ValueOf = std::function<float(std::size_t, std::size_t, double)>;

inline flight::Flight builtFlight(std::vector<flight::Channel> channels, std::size_t rows, int interval,
                                  const ValueOf& value, char unit = 'F') {
  flight::Flight f;
  f.facts.interval = interval;
  f.facts.engineUnit = unit;
  f.facts.hours = 10;
  f.startOfDay = 10 * 3600;
  f.channels = std::move(channels);
  f.columns.reset(f.channels.size(), rows);
  for (std::size_t r = 0; r < rows; ++r) {
    const double t = static_cast<double>(r) * interval;
    f.seconds.push_back(t);
    f.columns.makeRoom();
    for (std::size_t c = 0; c < f.channels.size(); ++c) f.columns.next(c) = value(c, r, t);
    f.columns.addRow();
  }
  return f;
}

// A small deterministic noise in [-1, 1] for a channel and row.
inline double noise(std::size_t channel, std::size_t row) {
  unsigned x = static_cast<unsigned>(channel * 7919u + row * 104729u + 12345u);
  x ^= x << 13;
  x ^= x >> 17;
  x ^= x << 5;
  return static_cast<double>(x % 2001u) / 1000.0 - 1.0;
}

}  // namespace varnix::test
