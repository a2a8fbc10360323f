// SPDX-License-Identifier: MIT
// A centred moving average over a time window, skipping missing values: the
// one smoothing the engine analyses use, so that they agree on a column.
#pragma once

#include <cmath>
#include <limits>
#include <span>
#include <vector>

namespace varnix::analysis {

// `out[i]` = the mean of the values of `v` within `window` seconds centred
// on row i (NaN when all are missing); one pass.
inline std::vector<float> Smoothed(std::span<const float> v, const std::vector<double>& seconds, double window) {
  const std::size_t n = v.size();
  std::vector<float> out(n, std::numeric_limits<float>::quiet_NaN());
  double sum = 0;
  long count = 0;
  std::size_t lo = 0, hi = 0;  // the window is rows [lo, hi)
  for (std::size_t i = 0; i < n; ++i) {
    while (hi < n && seconds[hi] <= seconds[i] + window / 2) {
      if (!std::isnan(v[hi])) sum += v[hi], ++count;
      ++hi;
    }
    while (seconds[lo] < seconds[i] - window / 2) {
      if (!std::isnan(v[lo])) sum -= v[lo], --count;
      ++lo;
    }
    if (count > 0) out[i] = static_cast<float>(sum / static_cast<double>(count));
  }
  return out;
}

}  // namespace varnix::analysis
