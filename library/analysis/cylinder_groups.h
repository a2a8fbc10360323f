// SPDX-License-Identifier: MIT
// The cylinders of one kind (EGT or CHT) on one engine, and each one's
// neighbours: the median of the other cylinders in the same row. The sensor
// faults and the exhaust-valve screen both judge a cylinder against it, so
// that what all cylinders do together (power, mixture, climb) cancels out.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <vector>

#include "flight/flight.h"

namespace varnix::flight {

inline constexpr std::size_t kMaxCylinders = 9;

// The channels of `kind` on one engine, those with at least one value, in
// cylinder order.
struct CylinderGroup {
  ChannelKind kind = ChannelKind::Egt;
  Engine engine = Engine::Only;
  std::vector<int> channels;  // indices into the flight's channels
};

// Every group of `kind` the flight has (one per engine), empty columns left out.
std::vector<CylinderGroup> CylinderGroups(const Flight& flight, ChannelKind kind);

// One row of a group: its values sorted, so that the median of the others is
// found for each cylinder without sorting again. No allocation.
class RowNeighbours {
 public:
  // `values[i]` is cylinder i's value; NaN (and, when `dropZero`, 0) is no value.
  void set(std::span<const float> values, bool dropZero);
  std::size_t count() const { return n_; }
  // The median of the values other than `own` (NaN when `own` is no value:
  // then the median of them all); NaN when fewer than `minimum` others remain.
  float medianWithout(float own, std::size_t minimum) const;

 private:
  std::array<float, kMaxCylinders> sorted_{};
  std::size_t n_ = 0;
  bool dropZero_ = false;
};

}  // namespace varnix::flight
