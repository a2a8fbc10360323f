// SPDX-License-Identifier: GPL-3.0-or-later
#include "frontend/report/time_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace varnix::report {

namespace {

std::string hms(long long s) {
  char text[40];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

}  // namespace

std::string ClockText(double seconds) {
  return hms(std::llround(std::fmod(std::max(0.0, seconds), 86400.0)));
}

std::string DurationText(double seconds) {
  if (!std::isfinite(seconds)) return {};
  return hms(std::llround(std::max(0.0, seconds)));
}

}  // namespace varnix::report
