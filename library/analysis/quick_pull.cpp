// SPDX-License-Identifier: MIT
#include "analysis/quick_pull.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/limits.h"

namespace varnix::analysis {

namespace {

constexpr double kPullShare = 0.15;     // of the flow before, and at least
constexpr double kPullGph = 2.0;        // this much
constexpr double kPullSeconds = 20;     // the fall lasts at most this long
constexpr double kBandGph = 0.3;        // the flow this close to its level before (after) is not yet (no longer) falling
constexpr double kPauseSeconds = 3;     // the flow not falling for longer ends the fall
constexpr double kRpmHold = 0.03;       // of the RPM at the start
constexpr double kMapHold = 1.0;        // in Hg
constexpr double kAfterSeconds = 30;    // the EGTs are followed this long after the fall
constexpr double kHeldSeconds = 10;     // ... the last part of it showing them held
constexpr double kRiseF = 20;           // an EGT taking part rises this much
constexpr double kEaseF = 5;            // and eases this much past its highest
constexpr double kStillFallingGph = 0.2;  // the flow this much below that at the EGT's highest: still falling

double perGph(flight::Unit unit) {
  switch (unit) {
    case flight::Unit::LitresPerHour: return 3.785;
    case flight::Unit::PoundsPerHour: return 6.0;
    case flight::Unit::KilogramsPerHour: return 2.72;
    default: return 1.0;
  }
}

std::string text(double v, int decimals = 0) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string rangeText(double lo, double hi) {
  const std::string a = text(lo), b = text(hi);
  return a == b ? a : a + "-" + b;
}

}  // namespace

std::vector<QuickPull> FindQuickPulls(const flight::Flight& flight, flight::Engine engine, std::size_t first,
                                      std::size_t last) {
  std::vector<QuickPull> found;
  const int flowChannel = flight::FindChannel(flight.channels, flight::ChannelKind::FuelFlow, engine);
  const int rpmChannel = flight::FindChannel(flight.channels, flight::ChannelKind::Rpm, engine);
  const int mapChannel = flight::FindChannel(flight.channels, flight::ChannelKind::Map, engine);
  std::vector<int> egts;
  for (std::size_t c = 0; c < flight.channels.size(); ++c)
    if (flight.channels[c].kind == flight::ChannelKind::Egt && flight.channels[c].engine == engine && flight.channels[c].cylinder > 0)
      egts.push_back(static_cast<int>(c));
  if (flowChannel < 0 || rpmChannel < 0 || egts.size() < 2 || last >= flight.rows() || first >= last) return found;
  const auto flow = flight.column(flowChannel), rpm = flight.column(rpmChannel);
  const std::span<const float> map = mapChannel >= 0 ? flight.column(mapChannel) : std::span<const float>();
  const auto& t = flight.seconds;
  const flight::Unit flowUnit = flight.channels[flowChannel].unit;
  const double g = perGph(flowUnit);
  const flight::Unit egtUnit = flight.channels[egts.front()].unit;
  const std::string degrees(flight::UnitText(egtUnit)), flowText(flight::UnitText(flowUnit));
  auto valid = [&](std::size_t r) {
    return std::isfinite(flow[r]) && std::isfinite(rpm[r]) && (map.empty() || std::isfinite(map[r]));
  };
  auto steady = [&](std::size_t from, std::size_t r) {
    return valid(r) && std::fabs(rpm[r] - rpm[from]) <= kRpmHold * std::max(1.0f, rpm[from]) &&
           (map.empty() || std::fabs(map[r] - map[from]) <= kMapHold);
  };

  std::size_t i = first;
  while (i < last) {
    if (!valid(i)) {
      ++i;
      continue;
    }
    std::size_t low = i, j = i + 1;
    for (; j <= last && steady(i, j) && flow[j] <= flow[low] + kBandGph * g && t[j] - t[low] <= kPauseSeconds; ++j)
      if (flow[j] < flow[low]) low = j;
    const double drop = flow[i] - flow[low];
    if (drop < std::max(kPullShare * flow[i], kPullGph * g)) {
      ++i;
      continue;
    }
    // The fall itself: from the last row at the flow before to the first at the flow after.
    std::size_t s = i, e = low;
    for (std::size_t r = i; r <= low; ++r)
      if (flow[r] >= flow[i] - kBandGph * g) s = r;
    for (std::size_t r = low; r > s; --r)
      if (flow[r - 1] <= flow[low] + kBandGph * g) e = r - 1;
    i = j;
    if (t[e] - t[s] > kPullSeconds) continue;

    QuickPull pull;
    pull.start_s = t[s];
    pull.end_s = t[e];
    pull.flowFrom = flow[s];
    pull.flowTo = flow[low];
    pull.flowUnit = flowUnit;
    pull.engine = engine;
    std::size_t end = e;
    while (end + 1 < flight.rows() && t[end + 1] - t[e] <= kAfterSeconds && steady(s, end + 1)) ++end;
    int rising = 0, eased = 0, held = 0;
    double riseLo = INFINITY, riseHi = -INFINITY, easeLo = INFINITY, easeHi = -INFINITY;
    const double rise = FahrenheitSpanToUnit(kRiseF, egtUnit), ease = FahrenheitSpanToUnit(kEaseF, egtUnit);
    for (int c : egts) {
      const auto egt = flight.column(c);
      if (!std::isfinite(egt[s])) continue;
      std::size_t top = s;
      for (std::size_t r = s; r <= end; ++r)
        if (std::isfinite(egt[r]) && egt[r] > egt[top]) top = r;
      PullCylinder cyl{flight.channels[c].name, egt[top] - egt[s], 0};
      for (std::size_t r = top + 1; r <= end; ++r)
        if (std::isfinite(egt[r]) && flow[r] <= flow[top] - kStillFallingGph * g) cyl.eased = std::max(cyl.eased, static_cast<double>(egt[top] - egt[r]));
      if (cyl.eased < ease) cyl.eased = 0;
      pull.cylinders.push_back(cyl);
      if (cyl.rise < rise) continue;
      ++rising;
      riseLo = std::min(riseLo, cyl.rise), riseHi = std::max(riseHi, cyl.rise);
      if (cyl.eased > 0) {
        ++eased;
        easeLo = std::min(easeLo, cyl.eased), easeHi = std::max(easeHi, cyl.eased);
        continue;
      }
      // Held: the last seconds followed within `ease` of its highest, the highest not in them.
      bool stillRising = t[end] - t[top] < kHeldSeconds;
      for (std::size_t r = end; r > top && t[end] - t[r] <= kHeldSeconds; --r)
        stillRising = stillRising || (std::isfinite(egt[r]) && egt[top] - egt[r] > ease);
      if (!stillRising) ++held;
    }
    const int taking = static_cast<int>(pull.cylinders.size());
    pull.seen = "the fuel flow fell from " + text(pull.flowFrom, 1) + " to " + text(pull.flowTo, 1) + " " + flowText +
                " in " + text(pull.end_s - pull.start_s) + " s";
    if (rising * 2 <= taking) {
      pull.seen += "; only " + std::to_string(rising) + " of " + std::to_string(taking) + " EGTs rose " + text(rise) + " " +
                   degrees;
    } else {
      pull.seen += "; the EGTs rose " + rangeText(riseLo, riseHi) + " " + degrees;
      if (eased * 2 > rising) {
        pull.side = PullSide::LeanOfPeak;
        pull.seen += ", " + std::to_string(eased) + " of " + std::to_string(taking) + " easing " + rangeText(easeLo, easeHi) +
                     " " + degrees + " from their highest as it kept falling";
      } else if (eased == 0 && held == rising) {
        pull.side = PullSide::RichOfPeak;
        pull.seen += " and held there, none easing";
      } else {
        pull.seen += ", " + std::to_string(eased) + " of " + std::to_string(taking) + " easing from their highest";
      }
    }
    found.push_back(std::move(pull));
  }
  return found;
}

}  // namespace varnix::analysis
