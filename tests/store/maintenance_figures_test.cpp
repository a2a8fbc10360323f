// SPDX-License-Identifier: GPL-3.0-or-later
// Oil consumption and the fuel-flow transducer's error from the maintenance
// log and the flights: the rates and the errors the entries and flights
// were made to give, and no figure where the data cannot carry one.
#include <gtest/gtest.h>

#include <cstdio>

#include "store/maintenance_figures.h"
#include "store/oil_finding.h"

namespace varnix::test {
namespace {

using store::FlownFlight;
using store::MaintenanceEntry;
using store::MaintenanceKind;

std::string day(int d) {
  char buf[32];  // room for any int the format could print
  std::snprintf(buf, sizeof buf, "2026-%02d-%02d", 1 + (d - 1) / 28, 1 + (d - 1) % 28);
  return buf;
}

MaintenanceEntry entry(MaintenanceKind kind, int d, std::optional<double> quantity, std::string unit,
                       std::string text = {}, std::optional<double> tach = {}) {
  MaintenanceEntry e;
  e.kind = kind;
  e.date = day(d);
  e.quantity = quantity;
  e.unit = std::move(unit);
  e.text = std::move(text);
  e.tach = tach;
  return e;
}

// One flight a day from `first` to `last`, each `hours` long burning `fuel`.
std::vector<FlownFlight> daily(int first, int last, double hours, std::optional<double> fuel = {},
                               std::string unit = "gal") {
  std::vector<FlownFlight> out;
  for (int d = first; d <= last; ++d) out.push_back({day(d), hours, fuel, unit});
  return out;
}

std::vector<FlownFlight> operator+(std::vector<FlownFlight> a, const std::vector<FlownFlight>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(MaintenanceFigures, OilConsumptionBetweenAdditions) {
  using K = MaintenanceKind;
  struct Case {
    const char* name;
    std::vector<MaintenanceEntry> entries;
    std::vector<FlownFlight> flights;
    std::vector<std::optional<double>> rates;  // each interval's quarts per hour, none when it gives none
  };
  const Case cases[] = {
      {"0.5 qt/h over two intervals; flights on an entry's day count after it",
       {entry(K::OilChange, 1, 8, "qt"), entry(K::OilAdded, 6, 4, "qt"), entry(K::OilAdded, 10, 2, "qt")},
       daily(1, 5, 1.6) + daily(6, 9, 1.0),
       {0.5, 0.5}},
      {"litres are quarts", {entry(K::OilChange, 1, {}, ""), entry(K::OilAdded, 5, 1.892705892, "L")},
       daily(1, 4, 1.0), {0.5}},
      {"the tach's hours over the flights'",
       {entry(K::OilChange, 1, {}, "", "", 100.0), entry(K::OilAdded, 5, 1, "qt", "", 104.0)}, daily(1, 4, 2.5), {0.25}},
      {"too few hours give no rate", {entry(K::OilChange, 1, {}, ""), entry(K::OilAdded, 3, 1, "qt")},
       daily(1, 2, 1.0), {std::nullopt}},
      {"an oil change starts again",
       {entry(K::OilAdded, 1, 1, "qt"), entry(K::OilChange, 5, 8, "qt"), entry(K::OilAdded, 9, 2, "qt")},
       daily(1, 4, 10.0) + daily(5, 8, 1.0), {0.5}},
      {"other entries are passed by",
       {entry(K::OilChange, 1, {}, ""), entry(K::FuelFill, 2, 40, "gal", "full"), entry(K::OilAdded, 5, 2, "qt")},
       daily(1, 4, 1.0), {0.5}},
      {"no oil change or addition before: no interval", {entry(K::OilAdded, 5, 1, "qt")}, daily(1, 4, 1.0), {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<store::OilInterval> got = store::OilConsumption(c.entries, c.flights);
    ASSERT_EQ(got.size(), c.rates.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
      ASSERT_EQ(got[i].rate.has_value(), c.rates[i].has_value()) << got[i].why;
      if (c.rates[i]) {
        EXPECT_NEAR(*got[i].rate, *c.rates[i], 1e-9);
      } else {
        EXPECT_NE(got[i].why, "");
      }
    }
  }
}

// The finding judges the newest interval with a rate: against the makers'
// limit for the rated power (180 hp: 0.58 qt/h) and against the median of the
// intervals before it.
TEST(MaintenanceFigures, OilConsumptionFinding) {
  auto interval = [](double quarts, double hours) {
    store::OilInterval i;
    i.from = "2026-01-01";
    i.to = "2026-02-01";
    i.quarts = quarts;
    i.hours = hours;
    if (hours >= store::kOilIntervalHoursLeast) i.rate = quarts / hours;
    return i;
  };
  struct Case {
    const char* name;
    double ratedHp;
    std::vector<store::OilInterval> intervals;
    std::optional<analysis::Severity> severity;  // none: no finding
    const char* says;                            // in its text
  };
  const Case cases[] = {
      {"under the limit", 180, {interval(5, 10), interval(5, 10), interval(5, 10), interval(5, 10)}, {}, ""},
      {"past the limit", 180, {interval(7, 10)}, analysis::Severity::Caution, "above the makers' limit of 0.58 qt/h"},
      {"far past the limit", 180, {interval(15, 10)}, analysis::Severity::Warning, "above the makers' limit"},
      {"doubling against its past", 0,
       {interval(2, 10), interval(2, 10), interval(2, 10), interval(5, 10)}, analysis::Severity::Caution,
       "2.5 times its median of 0.20 qt/h"},
      {"too few intervals before to double", 0, {interval(2, 10), interval(2, 10), interval(5, 10)}, {}, ""},
      {"a too-short newest interval is not judged", 180,
       {interval(2, 10), interval(2, 10), interval(2, 10), interval(3, 2)}, {}, ""},
      {"rated_hp unknown: only the doubling rule", 0, {interval(15, 10)}, {}, ""},
      {"rated_hp unknown is said", 0, {interval(2, 10), interval(2, 10), interval(2, 10), interval(15, 10)},
       analysis::Severity::Caution, "rated_hp unknown"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    analysis::Limits limits;
    limits.ratedHp = c.ratedHp;
    const std::optional<analysis::Finding> f = store::OilConsumptionFinding(c.intervals, limits);
    ASSERT_EQ(f.has_value(), c.severity.has_value());
    if (!f) continue;
    EXPECT_EQ(f->kind, analysis::FindingKind::OilConsumption);
    EXPECT_EQ(f->severity, *c.severity);
    EXPECT_NE(f->text.find(c.says), std::string::npos) << f->text;
    EXPECT_NE(f->hint, "");
  }
}

TEST(MaintenanceFigures, FuelFlowErrorBetweenFullFills) {
  using K = MaintenanceKind;
  auto full = [](int d, double gal) { return entry(K::FuelFill, d, gal, "gal", "full"); };
  struct Case {
    const char* name;
    std::vector<MaintenanceEntry> entries;
    std::vector<FlownFlight> flights;
    std::vector<std::optional<double>> errors;  // each interval's error in %
    std::optional<double> mean, factor;         // with an old factor of 29.0
  };
  // Four days of flights burning 10 gal each on the monitor: 40 gal an interval.
  const auto flights = daily(1, 12, 1.0, 10.0);
  const Case cases[] = {
      {"+6 %: the monitor reads high",
       {full(1, 50), full(5, 40 / 1.06), full(9, 40 / 1.06), full(13, 40 / 1.06)}, flights, {6.0, 6.0, 6.0}, 6.0,
       29.0 * 1.06},
      {"a fill not to full between adds to the pumped",
       {full(1, 50), entry(K::FuelFill, 3, 20, "gal", "top off"), full(5, 40 / 1.06 - 20), full(9, 40 / 1.06),
        full(13, 40 / 1.06)},
       flights, {6.0, 6.0, 6.0}, 6.0, 29.0 * 1.06},
      {"litres pumped, litres flown",
       {full(1, 50), entry(K::FuelFill, 5, 151.41647136, "L", "full"), full(9, 40), full(13, 40)},
       daily(1, 4, 1.0, 37.85411784, "L") + daily(5, 12, 1.0, 10.0), {0.0, 0.0, 0.0}, 0.0, 29.0},
      {"intervals that disagree give no mean", {full(1, 50), full(5, 40 / 1.06), full(9, 40 / 0.98), full(13, 40 / 1.1)},
       flights, {6.0, -2.0, 10.0}, std::nullopt, std::nullopt},
      {"two intervals give no mean", {full(1, 50), full(5, 40 / 1.06), full(9, 40 / 1.06)}, flights, {6.0, 6.0},
       std::nullopt, std::nullopt},
      {"a flight without its fuel leaves its interval unjudged",
       {full(1, 50), full(5, 40), full(9, 40), full(13, 40)},
       daily(1, 3, 1.0, 10.0) + daily(4, 4, 1.0) + daily(5, 12, 1.0, 10.0), {std::nullopt, 0.0, 0.0}, std::nullopt,
       std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const store::FuelCalibration got = store::FuelFlowCalibration(c.entries, c.flights, 29.0);
    ASSERT_EQ(got.intervals.size(), c.errors.size());
    for (std::size_t i = 0; i < got.intervals.size(); ++i) {
      ASSERT_EQ(got.intervals[i].errorPercent.has_value(), c.errors[i].has_value()) << got.intervals[i].why;
      if (c.errors[i]) {
        EXPECT_NEAR(*got.intervals[i].errorPercent, *c.errors[i], 1e-6);
      }
    }
    ASSERT_EQ(got.meanErrorPercent.has_value(), c.mean.has_value()) << got.why;
    if (c.mean) {
      EXPECT_NEAR(*got.meanErrorPercent, *c.mean, 1e-6);
      EXPECT_NEAR(*got.correctedFactor, *c.factor, 1e-6);
      EXPECT_LE(*got.spreadPercent, store::kFuelSpreadMost);
    } else {
      EXPECT_NE(got.why, "");
    }
  }
}

}  // namespace
}  // namespace varnix::test
