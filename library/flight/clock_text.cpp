// SPDX-License-Identifier: MIT
#include "flight/clock_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace varnix::flight {

namespace {

constexpr long long kDay = 86400;

std::string hms(long long s) {
  char text[40];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

long long wrappedDown(double secondsOfDay) { return (static_cast<long long>(secondsOfDay) % kDay + kDay) % kDay; }

}  // namespace

std::string ClockText(double secondsOfDay, ClockRound round) {
  if (round == ClockRound::Down) return hms(wrappedDown(secondsOfDay));
  return hms(std::llround(std::fmod(std::max(0.0, secondsOfDay), static_cast<double>(kDay))));
}

std::string ClockMinutesText(double secondsOfDay) {
  const long long s = wrappedDown(secondsOfDay);
  char text[24];
  std::snprintf(text, sizeof text, "%lld:%02lld", s / 3600, s / 60 % 60);
  return text;
}

std::string DurationText(double seconds) {
  if (!std::isfinite(seconds)) return {};
  return hms(std::llround(std::max(0.0, seconds)));
}

}  // namespace varnix::flight
