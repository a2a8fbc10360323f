// SPDX-License-Identifier: MIT
#include "analysis/slow_changes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "analysis/finding_parts.h"
#include "analysis/median.h"

namespace varnix::analysis {

namespace {

using Series = std::vector<std::pair<std::string, float>> TrendPoint::*;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The engine a channel belongs to, as its name tells it: the name without
// its cylinder number ("LC3" -> "LC", "E1 CHT3" -> "E1 CHT").
std::string engineOf(const std::string& channel) {
  std::size_t end = channel.size();
  while (end > 0 && std::isdigit(static_cast<unsigned char>(channel[end - 1]))) --end;
  return channel.substr(0, end);
}

// Days since 1970 of a "YYYY-MM-DD..." date; NaN for another text.
double dayOf(const std::string& date) {
  int y = 0, m = 0, d = 0;
  if (date.size() < 10 || std::sscanf(date.c_str(), "%4d-%2d-%2d", &y, &m, &d) != 3) return kNaN;
  // Days from civil (Howard Hinnant's algorithm).
  y -= m <= 2;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<double>(era) * 146097 + doe - 719468;
}

// Each flight's value of every channel of the newest flight's `member`
// against the others (AgainstTheOthers) but those `changed`.
std::map<std::string, std::vector<double>> againstTheOthers(const std::vector<TrendPoint>& flights, Series member,
                                                            const std::vector<std::string>& changed) {
  std::map<std::string, std::vector<double>> out;
  for (const auto& [channel, ignored] : flights.back().*member) {
    std::vector<double>& values = out[channel];
    for (const TrendPoint& p : flights) values.push_back(AgainstTheOthers(p.*member, channel, p.engineUnit, changed));
  }
  return out;
}

}  // namespace

double AgainstTheOthers(const std::vector<std::pair<std::string, float>>& figures, const std::string& channel,
                        flight::Unit unit, const std::vector<std::string>& leftOut) {
  double own = kNaN;
  std::vector<double> others;
  for (const auto& [name, v] : figures) {
    if (!detail::available(v)) continue;
    if (name == channel) own = UnitToFahrenheit(v, unit);
    else if (engineOf(name) == engineOf(channel) && std::find(leftOut.begin(), leftOut.end(), name) == leftOut.end())
      others.push_back(UnitToFahrenheit(v, unit));
  }
  return others.empty() ? kNaN : own - Median(others);
}

std::size_t CylindersOfItsEngine(const std::vector<std::pair<std::string, float>>& figures, const std::string& channel) {
  return static_cast<std::size_t>(std::count_if(figures.begin(), figures.end(), [&](const auto& f) {
    return detail::available(f.second) && engineOf(f.first) == engineOf(channel);
  }));
}

StepJudged JudgeStep(const std::vector<double>& before, const std::vector<double>& after, double least) {
  StepJudged j;
  if (before.empty() || after.empty()) return j;
  j.before = Median(before);
  j.after = Median(after);
  j.change = j.after - j.before;
  std::vector<double> steps;
  for (std::size_t i = 1; i < before.size(); ++i) steps.push_back(std::fabs(before[i] - before[i - 1]));
  j.scatter = steps.empty() ? 0 : 1.4826 * Median(steps) / std::sqrt(2.0);
  j.standsOut = std::fabs(j.change) >= std::max(least, 3 * j.scatter);
  return j;
}

namespace {

void judge(const std::vector<TrendPoint>& flights, Series member, bool heads, std::vector<Finding>& out) {
  const std::size_t n = flights.size();
  // The recent flights: the last ten, or those of the last 30 days when more.
  std::size_t recent = std::min(kRecentFlights, n);
  const double newest = dayOf(flights.back().date);
  if (std::isfinite(newest))
    while (recent < n && newest - dayOf(flights[n - 1 - recent].date) <= kRecentDays) ++recent;
  const std::size_t start = n - recent;
  if (start < kReferenceMinimumFlights) return;
  const std::size_t referenceStart = start > kReferenceFlights ? start - kReferenceFlights : 0;
  const flight::Unit unit = flights.back().engineUnit;
  // The cylinder that moved most is taken first and then left out of the
  // others' median, so that one head's change does not move the rest.
  std::vector<std::string> changed;
  for (;;) {
    struct Change {
      std::string channel;
      double change = 0;
      std::size_t before = 0, now = 0;
    } largest;
    for (const auto& [channel, values] : againstTheOthers(flights, member, changed)) {
      if (std::find(changed.begin(), changed.end(), channel) != changed.end()) continue;
      std::vector<double> before, now;
      for (std::size_t i = referenceStart; i < n; ++i)
        if (std::isfinite(values[i])) (i < start ? before : now).push_back(values[i]);
      if (before.size() < kReferenceMinimumFlights || now.size() < kRecentFlights / 2) continue;
      const StepJudged step = JudgeStep(before, now, kSlowChangeF);
      if (step.standsOut && std::fabs(step.change) > std::fabs(largest.change))
        largest = {channel, step.change, before.size(), now.size()};
    }
    if (largest.channel.empty()) return;
    changed.push_back(largest.channel);
    const std::string& channel = largest.channel;
    const double change = largest.change;
    const std::size_t before = largest.before, now = largest.now;
    Finding f;
    f.kind = FindingKind::Change;
    f.channel = channel;
    f.severity = Severity::Caution;
    f.peak = FahrenheitSpanToUnit(change, unit);
    f.excess = FahrenheitSpanToUnit(std::fabs(change) - kSlowChangeF, unit);
    f.date = flights[start].date.substr(0, 10);
    f.confidence = before >= 30 && now >= kRecentFlights ? "high" : "moderate";
    const std::string what = heads ? "CHT" : "EGT";
    f.text = channel + "'s cruise " + what + (change > 0 ? " up " : " down ") + detail::number(std::fabs(f.peak)) + " " +
             detail::degrees(unit) + " against the other cylinders since " + f.date + " (its last " +
             std::to_string(now) + " flights against the " + std::to_string(before) + " before)";
    f.hint = heads ? "compare its baffles, injector and compression with the others'"
                   : "compare its injector, its valves (a borescope) and its probe with the others'";
    out.push_back(std::move(f));
  }
}

}  // namespace

std::vector<Finding> SlowChanges(const std::vector<TrendPoint>& flights) {
  std::vector<Finding> out;
  if (flights.size() < kReferenceMinimumFlights + kRecentFlights) return out;
  judge(flights, &TrendPoint::cruiseCht, true, out);
  judge(flights, &TrendPoint::cruiseEgt, false, out);
  return out;
}

}  // namespace varnix::analysis
