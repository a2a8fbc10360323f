// SPDX-License-Identifier: MIT
#include "analysis/cylinder_groups.h"

#include <algorithm>
#include <array>
#include <limits>
#include <cmath>

namespace varnix::analysis {

std::vector<CylinderGroup> CylinderGroups(const flight::Flight& flight, flight::ChannelKind kind) {
  std::vector<CylinderGroup> groups;
  for (const flight::Engine engine : {flight::Engine::Only, flight::Engine::Left, flight::Engine::Right}) {
    CylinderGroup g{kind, engine, {}};
    for (std::size_t c = 0; c < flight.channels.size(); ++c) {
      const flight::Channel& ch = flight.channels[c];
      if (ch.kind != kind || ch.engine != engine || ch.cylinder < 1) continue;
      const std::span<const float> column = flight.column(c);
      // A column without a single value is a channel the aircraft does not use.
      if (std::none_of(column.begin(), column.end(), [](float v) { return !std::isnan(v); })) continue;
      if (g.channels.size() < kMaxCylinders) g.channels.push_back(static_cast<int>(c));
    }
    std::sort(g.channels.begin(), g.channels.end(), [&](int a, int b) {
      return flight.channels[static_cast<std::size_t>(a)].cylinder < flight.channels[static_cast<std::size_t>(b)].cylinder;
    });
    if (!g.channels.empty()) groups.push_back(std::move(g));
  }
  return groups;
}

std::vector<GroupNeighbours> NeighboursOf(const flight::Flight& flight, std::vector<CylinderGroup> groups) {
  std::vector<GroupNeighbours> out;
  out.reserve(groups.size());
  const std::size_t rows = flight.rows();
  for (CylinderGroup& g : groups) {
    GroupNeighbours nb;
    nb.group = std::move(g);
    const std::size_t n = nb.count();
    nb.median.resize(rows * n);
    nb.values.resize(rows);
    std::array<const float*, kMaxCylinders> columns{};
    for (std::size_t i = 0; i < n; ++i) columns[i] = flight.column(static_cast<std::size_t>(nb.group.channels[i])).data();
    std::array<float, kMaxCylinders> row{};
    RowNeighbours neighbours;
    for (std::size_t r = 0; r < rows; ++r) {
      for (std::size_t i = 0; i < n; ++i) row[i] = columns[i][r];
      neighbours.set(std::span(row.data(), n), true);
      nb.values[r] = static_cast<std::uint8_t>(neighbours.count());
      float* median = nb.median.data() + r * n;
      for (std::size_t i = 0; i < n; ++i) {
        const float v = row[i];
        median[i] = std::isnan(v) || v == 0 ? std::numeric_limits<float>::quiet_NaN() : neighbours.medianWithout(v, 1);
      }
    }
    out.push_back(std::move(nb));
  }
  return out;
}

}  // namespace varnix::analysis
