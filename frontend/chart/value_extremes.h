// SPDX-License-Identifier: MIT
// The lowest and highest value of a column over any span of its rows, for
// a chart whose value axis fits what it shows: the extremes of each block
// of rows are kept, so a span costs its blocks plus two partial blocks at
// its ends, never every row; made once per column, a 64th of its size.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace varnix::frontend {

class ValueExtremes {
 public:
  static constexpr std::size_t kBlock = 64;

  ValueExtremes() = default;
  explicit ValueExtremes(std::span<const float> values);

  // Rows `first` to `last` (inclusive, clamped to the column): {lowest,
  // highest}, NaN left out; none when the span has no value.
  std::optional<std::pair<float, float>> of(std::size_t first, std::size_t last) const;

 private:
  std::span<const float> values_;
  std::vector<float> low_, high_;  // per block; +inf and -inf for a block of NaN only
};

}  // namespace varnix::frontend
