// SPDX-License-Identifier: MIT
// The cylinders of one kind (EGT or CHT) on one engine, and each one's
// neighbours: the median of the other cylinders in the same row. The sensor
// faults and the exhaust-valve screen both judge a cylinder against it, so
// that what all cylinders do together (power, mixture, climb) cancels out.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "flight/flight.h"

namespace varnix::analysis {

inline constexpr std::size_t kMaxCylinders = 9;

// The channels of `kind` on one engine, those with at least one value, in
// cylinder order.
struct CylinderGroup {
  flight::ChannelKind kind = flight::ChannelKind::Egt;
  flight::Engine engine = flight::Engine::Only;
  std::vector<int> channels;  // indices into the flight's channels
};

// Every group of `kind` the flight has (one per engine), empty columns left out.
std::vector<CylinderGroup> CylinderGroups(const flight::Flight& flight, flight::ChannelKind kind);

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
  // How many values there are besides `own`.
  std::size_t others(float own) const { return noValue(own) || n_ == 0 ? n_ : n_ - 1; }

 private:
  bool noValue(float v) const { return std::isnan(v) || (dropZero_ && v == 0); }

  std::array<float, kMaxCylinders> sorted_{};
  std::size_t n_ = 0;
  bool dropZero_ = false;
};

// A group's neighbours in every row, found once per flight for the sensor
// faults and the valve screen alike.
struct GroupNeighbours {
  CylinderGroup group;
  std::vector<float> median;           // row r, cylinder i at r * count + i: the others' median, NaN without
  std::vector<std::uint8_t> values;    // per row, how many cylinders have a value
  std::size_t count() const { return group.channels.size(); }
  // The median of the others of cylinder `i` in row `r` (NaN where it has no
  // value, or fewer than `minimum` others have one).
  float medianAt(std::size_t r, std::size_t i, std::size_t minimum) const {
    return values[r] > minimum ? median[r * count() + i] : std::numeric_limits<float>::quiet_NaN();
  }
  // How many of the others have a value in row `r`, where cylinder `i` has one.
  std::size_t othersAt(std::size_t r) const { return values[r] ? values[r] - 1u : 0u; }
};

// Each group's neighbours over all rows; NaN and 0 are no value.
std::vector<GroupNeighbours> NeighboursOf(const flight::Flight& flight, std::vector<CylinderGroup> groups);

// Inline: called for every cylinder of every row.
inline void RowNeighbours::set(std::span<const float> values, bool dropZero) {
  dropZero_ = dropZero;
  n_ = 0;
  for (const float v : values)
    if (!noValue(v) && n_ < kMaxCylinders) {
      // Insertion: nine values at most.
      std::size_t i = n_++;
      for (; i > 0 && sorted_[i - 1] > v; --i) sorted_[i] = sorted_[i - 1];
      sorted_[i] = v;
    }
}

inline float RowNeighbours::medianWithout(float own, std::size_t minimum) const {
  const std::size_t m = noValue(own) || n_ == 0 ? n_ : n_ - 1;  // the others
  if (m < std::max<std::size_t>(minimum, 1)) return std::numeric_limits<float>::quiet_NaN();
  const std::size_t h = m / 2;
  if (noValue(own)) return m % 2 ? sorted_[h] : (sorted_[h - 1] + sorted_[h]) / 2;
  // With `own` taken out, the others' place p holds sorted_[p] while p lies
  // below own's place (the first not below it), else sorted_[p + 1]; place p
  // lies below it when sorted_[p] < own.
  auto at = [&](std::size_t p) { return sorted_[p] < own ? sorted_[p] : sorted_[p + 1]; };
  return m % 2 ? at(h) : (at(h - 1) + at(h)) / 2;
}

}  // namespace varnix::analysis
