// SPDX-License-Identifier: MIT
// The points a chart needs to draw one channel over a span of rows at a
// given width: every row when the rows are few, else per pixel column (a
// bucket of rows) the lowest and the highest value in the order they were
// recorded, and a gap where the bucket had rows without a value. A line
// through them covers the same pixels as one through every row, at a small,
// width-bound cost: a chart keeps these and asks again when its range moves.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace varnix::frontend {

struct PlotPoint {
  double seconds;  // from the flight's first row
  double value;    // NaN marks a gap
};

// Rows `first` to `last` (inclusive, clamped to the column) into `buckets`
// pixel columns; `out` is replaced.
void PlotPoints(std::span<const double> seconds, std::span<const float> values, std::size_t first,
                std::size_t last, std::size_t buckets, std::vector<PlotPoint>& out);

}  // namespace varnix::frontend
