// SPDX-License-Identifier: MIT
#include "frontend/chart/plot_points.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace varnix::frontend {

void PlotPoints(std::span<const double> seconds, std::span<const float> values, std::size_t first,
                std::size_t last, std::size_t buckets, std::vector<PlotPoint>& out) {
  out.clear();
  const std::size_t rows = std::min(seconds.size(), values.size());
  if (rows == 0 || first >= rows) return;
  last = std::min(last, rows - 1);
  if (last < first) return;
  const std::size_t count = last - first + 1;
  constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
  if (buckets == 0 || count <= 3 * buckets) {
    out.reserve(count);
    for (std::size_t r = first; r <= last; ++r) out.push_back({seconds[r], static_cast<double>(values[r])});
    return;
  }
  out.reserve(3 * buckets);
  for (std::size_t b = 0; b < buckets; ++b) {
    const std::size_t from = first + count * b / buckets, to = first + count * (b + 1) / buckets;
    // The first lowest and the first highest value, without branches (the
    // values of a noisy channel would mislead the branch predictor); NaN
    // takes part in no comparison.
    std::size_t low = to, high = to, gap = to;
    float lowest = std::numeric_limits<float>::infinity(), highest = -lowest;
    for (std::size_t r = from; r < to; ++r) {
      const float v = values[r];
      const bool lower = v < lowest, higher = v > highest;
      lowest = lower ? v : lowest;
      low = lower ? r : low;
      highest = higher ? v : highest;
      high = higher ? r : high;
    }
    // A bucket whose values are all +inf (or all -inf) passed a start unmoved.
    for (std::size_t r = from; r < to && (low == to || high == to); ++r)
      if (!std::isnan(values[r])) {
        if (low == to) low = r;
        if (high == to) high = r;
      }
    for (std::size_t r = from; r < to; ++r)
      if (std::isnan(values[r])) {
        gap = r;
        break;
      }
    // In row order, so that the line runs through them as it was recorded.
    std::array<std::size_t, 3> at{low, high, gap};
    std::sort(at.begin(), at.end());
    std::size_t previous = to;
    for (const std::size_t r : at) {
      if (r == to || r == previous) continue;
      previous = r;
      out.push_back({seconds[r], r == gap ? kGap : static_cast<double>(values[r])});
    }
  }
}

}  // namespace varnix::frontend
