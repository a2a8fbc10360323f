// SPDX-License-Identifier: MIT
#include "analysis/cylinder_groups.h"

#include <algorithm>
#include <cmath>

namespace varnix::flight {

std::vector<CylinderGroup> CylinderGroups(const Flight& flight, ChannelKind kind) {
  std::vector<CylinderGroup> groups;
  for (const Engine engine : {Engine::Only, Engine::Left, Engine::Right}) {
    CylinderGroup g{kind, engine, {}};
    for (std::size_t c = 0; c < flight.channels.size(); ++c) {
      const Channel& ch = flight.channels[c];
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

}  // namespace varnix::flight
