// SPDX-License-Identifier: MIT
#include "store/oil_finding.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "analysis/median.h"

namespace varnix::store {

namespace {

std::string fixed(double v, const char* format) {
  char buf[48];
  std::snprintf(buf, sizeof buf, format, v);
  return buf;
}

}  // namespace

double MakerOilLimit(double ratedHp) {
  if (!(ratedHp > 0)) return 0;
  return kOilLbPerBhpHour * ratedHp * 4 / kOilLbPerGallon;
}

std::optional<analysis::Finding> OilConsumptionFinding(const std::vector<OilInterval>& intervals,
                                                       const analysis::Limits& limits) {
  std::vector<const OilInterval*> judged;
  for (const OilInterval& i : intervals)
    if (i.rate) judged.push_back(&i);
  if (judged.empty()) return std::nullopt;
  const OilInterval& newest = *judged.back();
  const double rate = *newest.rate;

  const double limit = MakerOilLimit(limits.ratedHp);
  const bool pastLimit = limit > 0 && rate > limit;
  std::optional<double> past;  // the median rate of the earlier judged intervals
  if (judged.size() - 1 >= kOilEarlierIntervalsLeast) {
    std::vector<double> rates;
    for (std::size_t k = 0; k + 1 < judged.size(); ++k) rates.push_back(*judged[k]->rate);
    past = analysis::Median(std::move(rates));
  }
  const bool doubled = past && rate >= kOilDoublingFactor * *past &&
                       newest.quarts - *past * newest.hours >= kOilDoublingQuartsLeast;
  if (!pastLimit && !doubled) return std::nullopt;

  analysis::Finding f;
  f.kind = analysis::FindingKind::OilConsumption;
  f.channel = "OIL";
  f.channels = {f.channel};
  f.peak = rate;
  f.date = newest.to;
  f.severity = pastLimit && rate >= kOilWarningFactor * limit ? analysis::Severity::Warning
                                                               : analysis::Severity::Caution;
  std::string text = "The engine used " + fixed(rate, "%.2f") + " qt/h of oil: " + fixed(newest.quarts, "%.1f") +
                     " qt added on " + newest.to + " after " + fixed(newest.hours, "%.1f") + " h since " + newest.from;
  if (pastLimit) {
    f.excess = rate - limit;
    text += ", above the makers' limit of " + fixed(limit, "%.2f") + " qt/h for " + fixed(limits.ratedHp, "%.0f") + " hp";
  } else if (limit > 0) {
    text += ", within the makers' limit of " + fixed(limit, "%.2f") + " qt/h for " + fixed(limits.ratedHp, "%.0f") + " hp";
  } else {
    text += " (the makers' limit not judged: rated_hp unknown)";
  }
  if (doubled)
    text += (pastLimit ? ", and " : "; ") + fixed(rate / *past, "%.1f") + " times its median of " +
            fixed(*past, "%.2f") + " qt/h over the " + std::to_string(judged.size() - 1) + " intervals before";
  else if (past)
    text += "; its median over the " + std::to_string(judged.size() - 1) + " intervals before was " +
            fixed(*past, "%.2f") + " qt/h";
  f.text = std::move(text);
  f.hint = "check for oil leaks and the breather, then have a compression and borescope check done";
  return f;
}

}  // namespace varnix::store
