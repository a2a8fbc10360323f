// SPDX-License-Identifier: MIT
#include "frontend/chart/value_extremes.h"

#include <algorithm>
#include <limits>

namespace varnix::frontend {

namespace {

constexpr float kInf = std::numeric_limits<float>::infinity();

// NaN loses both comparisons, so it never moves either extreme.
void widen(float v, float& low, float& high) {
  low = v < low ? v : low;
  high = v > high ? v : high;
}

}  // namespace

ValueExtremes::ValueExtremes(std::span<const float> values) : values_(values) {
  const std::size_t blocks = (values.size() + kBlock - 1) / kBlock;
  low_.assign(blocks, kInf);
  high_.assign(blocks, -kInf);
  for (std::size_t r = 0; r < values.size(); ++r) widen(values[r], low_[r / kBlock], high_[r / kBlock]);
}

std::optional<std::pair<float, float>> ValueExtremes::of(std::size_t first, std::size_t last) const {
  if (values_.empty() || first >= values_.size()) return std::nullopt;
  last = std::min(last, values_.size() - 1);
  if (last < first) return std::nullopt;
  float low = kInf, high = -kInf;
  std::size_t r = first;
  // The partial block at the start, whole blocks, the partial block at the end.
  for (; r <= last && r % kBlock != 0; ++r) widen(values_[r], low, high);
  for (; r + kBlock - 1 <= last; r += kBlock) {
    low = std::min(low, low_[r / kBlock]);
    high = std::max(high, high_[r / kBlock]);
  }
  for (; r <= last; ++r) widen(values_[r], low, high);
  // Gaps only.
  if (low > high) return std::nullopt;
  return std::make_pair(low, high);
}

}  // namespace varnix::frontend
