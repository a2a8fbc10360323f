// SPDX-License-Identifier: MIT
// The median of a set of figures: the one the analyses and the logbook use.
#pragma once

#include <algorithm>
#include <cstddef>
#include <limits>
#include <vector>

namespace varnix::analysis {

// The middle value (the mean of the two middle ones for an even count); NaN
// for none.
inline double Median(std::vector<double> v) {
  if (v.empty()) return std::numeric_limits<double>::quiet_NaN();
  const auto mid = v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2);
  std::nth_element(v.begin(), mid, v.end());
  double m = *mid;
  if (v.size() % 2 == 0) m = (m + *std::max_element(v.begin(), mid)) / 2;
  return m;
}

}  // namespace varnix::analysis
