// SPDX-License-Identifier: MIT
// The trend findings: an aircraft's flights judged together (drifts, baselines,
// lasting changes, a new hottest cylinder) and the cruise baselines they use.
#include <algorithm>
#include <cmath>
#include <limits>

#include "analysis/cruise_baselines.h"
#include "analysis/finding_parts.h"
#include "analysis/findings.h"
#include "analysis/median.h"
#include "analysis/slow_changes.h"

namespace varnix::analysis {

namespace {

using detail::available;
using detail::degrees;
using detail::number;

}  // namespace

namespace {

bool near(float a, float b, double band) { return !available(a) || !available(b) || std::fabs(a - b) <= band; }

std::string confidenceOf(std::size_t comparableFlights) {
  return comparableFlights < 10 ? "low" : comparableFlights < 30 ? "moderate" : "high";
}

// A channel's value in one flight, in °F; NaN without it.
double valueOf(const std::vector<std::pair<std::string, float>>& list, const std::string& channel, flight::Unit unit) {
  for (const auto& [name, value] : list)
    if (name == channel && available(value)) return UnitToFahrenheit(value, unit);
  return std::numeric_limits<double>::quiet_NaN();
}

using Series = std::vector<std::pair<std::string, float>> TrendPoint::*;

void drifts(const std::vector<TrendPoint>& flights, const Limits& limits, std::size_t comparableFlights,
            FindingKind kind, Series member, const char* what, std::vector<Finding>& out) {
  const std::size_t first = flights.size() > kTrendFlights ? flights.size() - kTrendFlights : 0;
  const flight::Unit unit = flights.back().engineUnit;
  // Channels of the newest flight, followed back through the others; each
  // against the other cylinders of its engine where it has some, so that
  // what every cylinder does (a season, a new power setting) is no drift of one.
  for (const auto& [channel, ignored] : flights.back().*member) {
    // (Against two others at least: against one, that one's drift would be
    // this one's too.)
    bool relative = true;
    for (std::size_t i = first; i < flights.size() && relative; ++i)
      relative = !available(static_cast<float>(valueOf(flights[i].*member, channel, flights[i].engineUnit))) ||
                 (std::isfinite(AgainstTheOthers(flights[i].*member, channel, flights[i].engineUnit)) &&
                  CylindersOfItsEngine(flights[i].*member, channel) >= 3);
    double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
    double n = 0;
    for (std::size_t i = first; i < flights.size(); ++i) {
      const double y = relative ? AgainstTheOthers(flights[i].*member, channel, flights[i].engineUnit)
                                : valueOf(flights[i].*member, channel, flights[i].engineUnit);
      if (!available(static_cast<float>(y))) continue;
      const double x = static_cast<double>(i - first);
      sx += x;
      sy += y;
      sxx += x * x;
      sxy += x * y;
      syy += y * y;
      n += 1;
    }
    if (n < static_cast<double>(kTrendMinimumFlights)) continue;
    const double denominator = n * sxx - sx * sx;
    const double spread = n * syy - sy * sy;
    if (denominator <= 0 || spread <= 0) continue;
    const double slope = (n * sxy - sx * sy) / denominator;  // °F per flight
    const double drift = slope * static_cast<double>(flights.size() - 1 - first);
    const double r2 = (n * sxy - sx * sy) * (n * sxy - sx * sy) / (denominator * spread);
    if (std::fabs(drift) <= limits.trendDrift || r2 < limits.trendFit) continue;
    Finding f;
    f.kind = kind;
    f.channel = channel;
    f.severity = std::fabs(drift) >= 2 * limits.trendDrift ? Severity::Warning : Severity::Caution;
    f.peak = FahrenheitSpanToUnit(drift, unit);
    f.excess = FahrenheitSpanToUnit(std::fabs(drift) - limits.trendDrift, unit);
    f.confidence = confidenceOf(comparableFlights);
    f.text = channel + std::string("'s ") + what + (drift > 0 ? " rose " : " fell ") + number(std::fabs(f.peak)) +
             " " + degrees(unit) + (relative ? " against the other cylinders" : "") + " over the last " +
             std::to_string(flights.size() - first) + " flights";
    out.push_back(std::move(f));
  }
}

// The values of `channel` the flights `which` have, in °F.
std::vector<double> valuesOf(const std::vector<TrendPoint>& flights, const std::vector<std::size_t>& which,
                             Series member, const std::string& channel) {
  std::vector<double> out;
  for (std::size_t i : which) {
    const double v = valueOf(flights[i].*member, channel, flights[i].engineUnit);
    if (available(static_cast<float>(v))) out.push_back(v);
  }
  return out;
}

void baselines(const std::vector<TrendPoint>& flights, const std::vector<std::size_t>& comparableOnes,
               const Limits& limits, Series member, const char* what, std::vector<Finding>& out) {
  const TrendPoint& newest = flights.back();
  const flight::Unit unit = newest.engineUnit;
  for (const auto& [channel, ignored] : newest.*member) {
    const double now = valueOf(newest.*member, channel, unit);
    const std::vector<double> before = valuesOf(flights, comparableOnes, member, channel);
    if (before.size() < kBaselineMinimumFlights || !available(static_cast<float>(now))) continue;
    const double middle = Median(before);
    std::vector<double> distance;
    for (double v : before) distance.push_back(std::fabs(v - middle));
    const double deviation = std::max(1.4826 * Median(distance), 5.0);
    const double off = now - middle;
    if (std::fabs(off) <= limits.baselineDeviations * deviation) continue;
    Finding f;
    f.kind = FindingKind::Baseline;
    f.channel = channel;
    f.severity = Severity::Caution;
    f.peak = FahrenheitSpanToUnit(off, unit);
    f.excess = FahrenheitSpanToUnit(std::fabs(off) - limits.baselineDeviations * deviation, unit);
    f.confidence = confidenceOf(before.size());
    f.text = channel + "'s cruise " + what + " was " + number(std::fabs(f.peak)) + " " + degrees(unit) +
             (off > 0 ? " above" : " below") + " its baseline of " + std::to_string(before.size()) +
             " comparable flights";
    out.push_back(std::move(f));
  }
}

// Pettitt's change point of `v`: the index of the first value after it and
// whether it is significant (p < 0.05).
std::pair<std::size_t, bool> pettitt(const std::vector<double>& v) {
  const std::size_t n = v.size();
  double best = 0;
  std::size_t at = 0;
  double u = 0;
  for (std::size_t t = 0; t + 1 < n; ++t) {
    // U(t) = U(t-1) + sum over j of sign(v[t] - v[j])
    for (std::size_t j = 0; j < n; ++j) u += (v[t] > v[j]) - (v[t] < v[j]);
    if (std::fabs(u) > best) {
      best = std::fabs(u);
      at = t + 1;
    }
  }
  const double nn = static_cast<double>(n);
  const double p = 2 * std::exp(-6 * best * best / (nn * nn * nn + nn * nn));
  return {at, p < 0.05};
}

void changes(const std::vector<TrendPoint>& flights, const std::string& channel, const char* what, double step,
             bool volts, double (*get)(const TrendPoint&, const std::string&), std::vector<Finding>& out) {
  const std::size_t first = flights.size() > kBaselineFlights ? flights.size() - kBaselineFlights : 0;
  std::vector<double> v;
  std::vector<std::size_t> index;
  for (std::size_t i = first; i < flights.size(); ++i)
    if (const double x = get(flights[i], channel); available(static_cast<float>(x))) {
      v.push_back(x);
      index.push_back(i);
    }
  if (v.size() < kTrendMinimumFlights) return;
  const auto [at, significant] = pettitt(v);
  constexpr std::size_t kLasting = 3;  // flights on either side of the step
  if (!significant || at < kLasting || v.size() - at < kLasting) return;
  double before = 0, after = 0;
  for (std::size_t i = 0; i < v.size(); ++i) (i < at ? before : after) += v[i];
  before /= static_cast<double>(at);
  after /= static_cast<double>(v.size() - at);
  const double size = after - before;
  if (std::fabs(size) < step) return;
  const flight::Unit unit = flights.back().engineUnit;
  Finding f;
  f.kind = FindingKind::Change;
  f.channel = channel;
  f.severity = Severity::Caution;
  f.peak = volts ? size : FahrenheitSpanToUnit(size, unit);
  f.excess = volts ? std::fabs(size) - step : FahrenheitSpanToUnit(std::fabs(size) - step, unit);
  f.date = flights[index[at]].date.substr(0, 10);
  f.text = channel + "'s " + what + (size > 0 ? " rose " : " fell ") +
           (volts ? number(std::fabs(size), 1) + " V" : number(std::fabs(f.peak)) + " " + degrees(unit)) +
           " from the flight of " + f.date + " on";
  out.push_back(std::move(f));
}

void hottestChange(const std::vector<TrendPoint>& flights, const Limits& limits, std::vector<Finding>& out) {
  if (flights.size() < 3) return;
  auto hottest = [](const TrendPoint& p) {
    const std::pair<std::string, float>* top = nullptr;
    for (const auto& c : p.maxCht)
      if (available(c.second) && (!top || c.second > top->second)) top = &c;
    return top;
  };
  const std::size_t n = flights.size();
  const auto* usual = hottest(flights[n - 3]);
  const auto* a = hottest(flights[n - 2]);
  const auto* b = hottest(flights[n - 1]);
  if (!usual || !a || !b || a->first != b->first || a->first == usual->first) return;
  for (std::size_t i : {n - 2, n - 1}) {
    const double lead = valueOf(flights[i].maxCht, a->first, flights[i].engineUnit) -
                        valueOf(flights[i].maxCht, usual->first, flights[i].engineUnit);
    if (!(lead >= limits.hottestChange)) return;
  }
  Finding f;
  f.kind = FindingKind::HottestCylinder;
  f.channel = a->first;
  f.severity = Severity::Caution;
  f.peak = b->second;
  f.text = a->first + " has been the hottest cylinder for two flights, by " + number(limits.hottestChange) +
           " °F or more over " + usual->first + ", hottest before";
  out.push_back(std::move(f));
}

}  // namespace

bool ComparableCruise(const TrendPoint& a, const TrendPoint& b, const Limits& l) {
  return near(a.cruisePower, b.cruisePower, l.baselinePower) && near(a.cruiseOat, b.cruiseOat, l.baselineOat);
}

namespace {

// The flights comparable with the newest, newest first, at most kBaselineFlights.
std::vector<std::size_t> comparableToNewest(const std::vector<TrendPoint>& flights, const Limits& limits) {
  std::vector<std::size_t> out;
  for (std::size_t i = flights.size() - 1; i-- > 0 && out.size() < kBaselineFlights;)
    if (ComparableCruise(flights[i], flights.back(), limits)) out.push_back(i);
  return out;
}

}  // namespace

std::vector<Finding> TrendFindings(const std::vector<TrendPoint>& flights, const Limits& limits) {
  std::vector<Finding> out;
  if (flights.empty()) return out;
  const std::vector<std::size_t> comparableOnes = comparableToNewest(flights, limits);
  if (flights.size() >= kTrendMinimumFlights) {
    drifts(flights, limits, comparableOnes.size() + 1, FindingKind::TrendCht, &TrendPoint::maxCht, "max CHT", out);
    drifts(flights, limits, comparableOnes.size() + 1, FindingKind::TrendEgt, &TrendPoint::cruiseEgt, "cruise EGT",
           out);
  }
  baselines(flights, comparableOnes, limits, &TrendPoint::cruiseCht, "CHT", out);
  baselines(flights, comparableOnes, limits, &TrendPoint::cruiseEgt, "EGT", out);
  for (const auto& [channel, ignored] : flights.back().cruiseCht)
    changes(flights, channel, "cruise CHT", limits.trendDrift, false,
            [](const TrendPoint& p, const std::string& c) { return valueOf(p.cruiseCht, c, p.engineUnit); }, out);
  changes(flights, "BAT", "battery in cruise", 0.5, true,
          [](const TrendPoint& p, const std::string&) { return static_cast<double>(p.cruiseBattery); }, out);
  hottestChange(flights, limits, out);
  // A cylinder's slow change against the others is one finding of it: the
  // drift, baseline or step its channel also shows is the same event.
  const std::vector<Finding> slow = SlowChanges(flights);
  for (const Finding& s : slow)
    std::erase_if(out, [&](const Finding& f) { return f.channel == s.channel; });
  out.insert(out.end(), slow.begin(), slow.end());
  return out;
}

std::vector<CruiseBaseline> CruiseBaselines(const std::vector<TrendPoint>& flights, const Limits& limits) {
  std::vector<CruiseBaseline> out;
  if (flights.empty()) return out;
  const std::vector<std::size_t> comparableOnes = comparableToNewest(flights, limits);
  const TrendPoint& newest = flights.back();
  const flight::Unit unit = newest.engineUnit;
  const std::pair<Series, flight::ChannelKind> series[] = {{&TrendPoint::cruiseCht, flight::ChannelKind::Cht},
                                                   {&TrendPoint::cruiseEgt, flight::ChannelKind::Egt}};
  for (const auto& [member, kind] : series)
    for (const auto& [channel, ignored] : newest.*member) {
      const double now = valueOf(newest.*member, channel, unit);
      const std::vector<double> before = valuesOf(flights, comparableOnes, member, channel);
      if (before.size() < kBaselineMinimumFlights || !available(static_cast<float>(now))) continue;
      out.push_back({channel, kind, FahrenheitToUnit(now, unit), FahrenheitToUnit(Median(before), unit),
                     before.size()});
    }
  return out;
}

}  // namespace varnix::analysis
