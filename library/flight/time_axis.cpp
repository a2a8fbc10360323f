// SPDX-License-Identifier: MIT
#include "flight/time_axis.h"

#include <algorithm>
#include <cstdio>

namespace varnix::flight::detail {

namespace {

constexpr long long kGapRows = 20;
constexpr long long kShortestGap = 120;
constexpr long long kLongestGap = 12 * 3600;

// "95 s", "2 h 05 min", "3 days": how far a clock jumped.
std::string jumpText(long long s) {
  char buf[48];
  if (s < 2 * 60)
    std::snprintf(buf, sizeof buf, "%lld s", s);
  else if (s < 48 * 3600)
    std::snprintf(buf, sizeof buf, "%lld h %02lld min", s / 3600, s / 60 % 60);
  else
    std::snprintf(buf, sizeof buf, "%lld days", s / 86400);
  return buf;
}

}  // namespace

long long LongestStep(long long interval) {
  return std::min(kLongestGap, std::max(kShortestGap, kGapRows * std::max(1LL, interval)));
}

long long TypicalStep(std::vector<long long>& steps) {
  if (steps.empty()) return 1;
  const auto middle = steps.begin() + static_cast<std::ptrdiff_t>(steps.size() / 2);
  std::nth_element(steps.begin(), middle, steps.end());
  return std::max(1LL, *middle);
}

TimeAxis::Placed TimeAxis::add(std::optional<long long> clock) {
  const bool first = !rows_;
  rows_ = true;
  jump_ = 0;
  if (!clock) {
    at_ = first ? 0 : at_ + interval_;
    if (hasClock_) expected_ += interval_;
    return Placed::NoClock;
  }
  if (!hasClock_) {
    at_ = first ? 0 : at_ + interval_;
    expected_ = *clock;
    hasClock_ = true;
    return Placed::First;
  }
  const long long step = *clock - expected_;
  expected_ = *clock;
  if (step < 0 || step > LongestStep(interval_)) {
    jump_ = step < 0 ? -step : step;
    at_ += interval_;
    return step < 0 ? Placed::Back : Placed::Gap;
  }
  at_ += step;
  return Placed::Follows;
}

std::string GapNote(const std::string& where, long long jump) {
  return where + ": the clock jumps " + jumpText(jump) +
         " forward from the row before, more than a gap between rows can be; the time between was not counted: "
         "the row was placed one interval after that row, the rows after it follow on.";
}

}  // namespace varnix::flight::detail
