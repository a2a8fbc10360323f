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

namespace {

bool noValue(float v, bool dropZero) { return std::isnan(v) || (dropZero && v == 0); }

}  // namespace

void RowNeighbours::set(std::span<const float> values, bool dropZero) {
  dropZero_ = dropZero;
  n_ = 0;
  for (const float v : values)
    if (!noValue(v, dropZero) && n_ < kMaxCylinders) sorted_[n_++] = v;
  std::sort(sorted_.begin(), sorted_.begin() + static_cast<std::ptrdiff_t>(n_));
}

float RowNeighbours::medianWithout(float own, std::size_t minimum) const {
  const float nan = std::nanf("");
  // Where `own` sits in the sorted values; skipped when the others are read.
  std::size_t skip = n_;
  if (!noValue(own, dropZero_)) skip = static_cast<std::size_t>(
      std::lower_bound(sorted_.begin(), sorted_.begin() + static_cast<std::ptrdiff_t>(n_), own) - sorted_.begin());
  const std::size_t m = skip < n_ ? n_ - 1 : n_;
  if (m < std::max<std::size_t>(minimum, 1)) return nan;
  auto at = [&](std::size_t p) { return sorted_[p < skip ? p : p + 1]; };
  return m % 2 ? at(m / 2) : (at(m / 2 - 1) + at(m / 2)) / 2;
}

}  // namespace varnix::flight
