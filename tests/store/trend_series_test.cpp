// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook's trend series: the rolling median, the lines parted at long
// gaps, and the series per engine of a twin, from flights the expansion wrote.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "encoder/flight_profile.h"
#include "store/catalog_entry.h"
#include "store/trend_series.h"
#include "support/flight_files.h"

using namespace varnix;
using store::MedianPoint;
using store::TrendValue;

namespace {

constexpr double kDay = 86400;

// Values `days` after the first, comparable unless listed in `apart`.
std::vector<TrendValue> valuesAt(const std::vector<double>& days, const std::vector<double>& values,
                                 const std::vector<std::size_t>& apart = {}) {
  std::vector<TrendValue> out;
  for (std::size_t i = 0; i < days.size(); ++i) {
    TrendValue v;
    v.when = 1.7e9 + days[i] * kDay;
    v.value = values[i];
    v.comparable = std::find(apart.begin(), apart.end(), i) == apart.end();
    out.push_back(v);
  }
  return out;
}

std::vector<double> daily(std::size_t n) {
  std::vector<double> d;
  for (std::size_t i = 0; i < n; ++i) d.push_back(static_cast<double>(i));
  return d;
}

}  // namespace

TEST(TrendSeries, TheMedianIsThatOfTheLastSevenComparableFlightsOfItsSegment) {
  struct Case {
    const char* what;
    std::vector<double> days, values;
    std::vector<std::size_t> apart;
    std::vector<std::vector<double>> medians;  // per line
  } cases[] = {
      {"one flight", {0}, {380}, {}, {{380}}},
      {"an even count takes the middle two's mean", {0, 1, 2, 3}, {10, 30, 20, 40}, {}, {{10, 20, 20, 25}}},
      {"the window keeps seven flights",
       daily(9),
       {1, 2, 3, 4, 5, 6, 7, 8, 9},
       {},
       {{1, 1.5, 2, 2.5, 3, 3.5, 4, 5, 6}}},
      {"one hot flight does not move it", {0, 1, 2, 3, 4}, {380, 381, 460, 379, 380}, {}, {{380, 380.5, 381, 380.5, 380}}},
      {"a flight of other power or OAT is left out", {0, 1, 2}, {10, 90, 20}, {1}, {{10, 15}}},
      {"a gap starts a new window", {0, 1, 2, 70, 71}, {10, 10, 10, 30, 40}, {}, {{10, 10, 10}, {30, 35}}},
      {"no comparable flight, no line", {0, 1}, {10, 20}, {0, 1}, {}},
  };
  for (const Case& c : cases) {
    const std::vector<TrendValue> values = valuesAt(c.days, c.values, c.apart);
    const std::vector<std::vector<MedianPoint>> lines = store::RollingMedian(values);
    ASSERT_EQ(lines.size(), c.medians.size()) << c.what;
    for (std::size_t l = 0; l < lines.size(); ++l) {
      ASSERT_EQ(lines[l].size(), c.medians[l].size()) << c.what;
      for (std::size_t i = 0; i < lines[l].size(); ++i) EXPECT_DOUBLE_EQ(lines[l][i].value, c.medians[l][i]) << c.what;
    }
  }
}

TEST(TrendSeries, FlightsMoreThanSixtyDaysApartAreOnSeparateLines) {
  using Segments = std::vector<std::pair<std::size_t, std::size_t>>;
  struct Case {
    const char* what;
    std::vector<double> days;
    Segments segments;
  } cases[] = {
      {"none", {}, {}},
      {"59 days", {0, 59}, {{0, 2}}},
      {"exactly 60 days is bridged", {0, 60}, {{0, 2}}},
      {"a second over 60 days is not", {0, 60 + 1 / kDay}, {{0, 1}, {1, 2}}},
      {"a winter and a summer", {0, 3, 5, 150, 152, 400}, {{0, 3}, {3, 5}, {5, 6}}},
  };
  for (const Case& c : cases) {
    const std::vector<TrendValue> values = valuesAt(c.days, std::vector<double>(c.days.size(), 400));
    EXPECT_EQ(store::TrendSegments(values), c.segments) << c.what;
    // The median line never joins two flights of different segments.
    for (const auto& line : store::RollingMedian(values))
      for (std::size_t i = 1; i < line.size(); ++i)
        EXPECT_LE(line[i].when - line[i - 1].when, store::kTrendGapDays * kDay) << c.what;
  }
}

TEST(TrendSeries, EachEngineHasItsCylindersAndOilAndTheAircraftOneBattery) {
  struct Case {
    sim::encode::ProfileLayout layout;
    int cylinders;
    std::vector<flight::Engine> engines;
    std::size_t oilPressures;  // per engine: the twin's monitor records none
    const char* avionicsLog;   // one more flight, from tests/data/avionics, or null
    double minutes = 30;       // each flight's
    // The maintenance log's lines after its header: FIRST is the oldest
    // flight's date, NEXT a year after the newest's.
    std::vector<std::string> maintenance = {};
    std::vector<std::size_t> oilValues = {};  // per engine: the oil consumption's values (none without a log)
    double firstRate = 0;                     // the first engine's first, qt/h
  } cases[] = {
      {sim::encode::ProfileLayout::Single, 6, {flight::Engine::Only}, 1, nullptr},
      {sim::encode::ProfileLayout::Twin, 6, {flight::Engine::Left, flight::Engine::Right}, 0, nullptr},
      {sim::encode::ProfileLayout::Twin, 4, {flight::Engine::Left, flight::Engine::Right}, 0, nullptr},
      // Its channels are "E1 CHT3", "E1 OilT": still one series per cylinder, one oil series.
      {sim::encode::ProfileLayout::Single, 6, {flight::Engine::Only}, 1, "log_220417_135002_LFAQ.csv"},
      // Written out of order; the hours are the three flights' (3.5 h); the
      // second addition on the same day has no hours and so no rate.
      {sim::encode::ProfileLayout::Single, 6, {flight::Engine::Only}, 1, nullptr, 70,
       {"NEXT,,oil_added,,,1,qt,", "NEXT,,oil_added,,,1,qt,", "FIRST,,oil_change,,,8,qt,"}, {1}, 1 / 3.5},
      // The tach's 10 h; an addition that names no engine is neither engine's.
      {sim::encode::ProfileLayout::Twin, 6, {flight::Engine::Left, flight::Engine::Right}, 0, nullptr, 30,
       {"FIRST,100,oil_change,L,,,,", "NEXT,110,oil_added,L,,1,qt,", "NEXT,112,oil_added,,,1,qt,"}, {1, 0}, 0.1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.layout) * 10 + c.cylinders);
    test::TempDir dir;
    sim::encode::ProfileOptions o = test::shortFlight(c.layout, c.minutes);
    o.cylinders = c.cylinders;
    std::vector<std::string> files =
        test::expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 3)));
    if (c.avionicsLog) files.push_back(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/" + c.avionicsLog);
    const int kFlights = static_cast<int>(files.size());
    std::vector<store::CatalogEntry> entries;
    for (const std::string& f : files) {
      std::optional<store::CatalogEntry> e = store::MakeCatalogEntryFromFile(f);
      ASSERT_TRUE(e && e->problem.empty()) << f;
      e->folder = "N123AB";
      e->file = f;
      entries.push_back(std::move(*e));
    }
    const store::AircraftLog log = store::BuildAircraftLog("N123AB", std::move(entries), analysis::Limits{});
    ASSERT_EQ(log.flights.size(), static_cast<std::size_t>(kFlights));
    const std::string first = log.flights.back().entry.start.substr(0, 10);
    const std::string newest = log.flights.front().entry.start.substr(0, 10);
    const std::string next = std::to_string(std::stoi(newest.substr(0, 4)) + 1) + newest.substr(4);
    std::string text = std::string(store::kMaintenanceHeader) + "\n";
    for (std::string line : c.maintenance) {
      for (const auto& [name, date] : {std::pair<std::string, std::string>{"FIRST", first}, {"NEXT", next}})
        if (line.starts_with(name)) line = date + line.substr(name.size());
      text += line + "\n";
    }
    const store::MaintenanceFile maintenance = store::ParseMaintenance(text);
    ASSERT_TRUE(maintenance.problems.empty()) << maintenance.problems[0].text;
    const store::AircraftTrends trends = store::BuildTrendSeries(log, maintenance.entries);
    EXPECT_EQ(trends.engines, c.engines);
    for (std::size_t e = 0; e < c.engines.size(); ++e) {
      const std::vector<const store::TrendSeries*> oil = trends.of(store::TrendQuantity::OilConsumption, c.engines[e]);
      const std::size_t want = e < c.oilValues.size() ? c.oilValues[e] : 0;
      ASSERT_EQ(oil.size(), want ? 1u : 0u) << e;
      if (!want) continue;
      ASSERT_EQ(oil[0]->values.size(), want);
      EXPECT_EQ(oil[0]->values[0].flight, store::kNoFlight);
      if (e == 0) {
        EXPECT_NEAR(oil[0]->values[0].value, c.firstRate, 0.01);
      }
    }
    for (flight::Engine engine : c.engines) {
      for (store::TrendQuantity q : {store::TrendQuantity::CruiseCht, store::TrendQuantity::CruiseEgt}) {
        const std::vector<const store::TrendSeries*> cylinders = trends.of(q, engine);
        ASSERT_EQ(cylinders.size(), static_cast<std::size_t>(c.cylinders));
        for (std::size_t i = 0; i < cylinders.size(); ++i) {
          EXPECT_EQ(cylinders[i]->cylinder, static_cast<int>(i) + 1);
          ASSERT_EQ(cylinders[i]->values.size(), static_cast<std::size_t>(kFlights));
          // Oldest first: the log's last flight.
          EXPECT_EQ(cylinders[i]->values.front().flight, static_cast<std::size_t>(kFlights - 1));
          // The avionics log flew years before the monitor's flights: a line of its own.
          EXPECT_EQ(cylinders[i]->median.size(), c.avionicsLog ? 2u : 1u);
        }
      }
      const std::vector<const store::TrendSeries*> oil = trends.of(store::TrendQuantity::OilTemperature, engine);
      ASSERT_EQ(oil.size(), 1u);
      EXPECT_EQ(oil[0]->values.size(), static_cast<std::size_t>(kFlights));
      EXPECT_EQ(trends.of(store::TrendQuantity::OilPressure, engine).size(), c.oilPressures);
    }
    EXPECT_EQ(trends.of(store::TrendQuantity::Battery, flight::Engine::Only).size(), 1u);
    // Left and right are different engines: their series are not the same values.
    if (c.engines.size() == 2) {
      EXPECT_NE(trends.of(store::TrendQuantity::CruiseCht, flight::Engine::Left)[0]->channel,
                trends.of(store::TrendQuantity::CruiseCht, flight::Engine::Right)[0]->channel);
    }
  }
}

// A probe that fails on the newest flights is a sensor finding on each of
// them; its readings make no baseline, drift or change of that cylinder.
TEST(TrendSeries, AFailingProbesReadingsMakeNoTrendFinding) {
  test::TempDir dir;
  sim::encode::ProfileOptions o = test::shortFlight(sim::encode::ProfileLayout::Single, 60);
  sim::encode::DumpPlan plan = sim::encode::ProfileDump(o, 0);
  for (int i = 0; i < 16; ++i) {
    o.day = 1 + i;
    o.seed = static_cast<unsigned>(40 + i);
    o.flightNumber = static_cast<std::uint16_t>(1 + i);
    o.events.probe = i >= 12;  // C3 drops out on the last four
    plan.flights.push_back(sim::encode::ProfileFlight(o));
  }
  std::vector<store::CatalogEntry> entries;
  for (const std::string& f : test::expandedFlights(dir, sim::encode::assembleDump(plan))) {
    std::optional<store::CatalogEntry> e = store::MakeCatalogEntryFromFile(f);
    ASSERT_TRUE(e && e->problem.empty()) << f;
    e->folder = "N123AB";
    e->file = f;
    entries.push_back(std::move(*e));
  }
  const store::AircraftLog log = store::BuildAircraftLog("N123AB", std::move(entries), analysis::Limits{});
  ASSERT_EQ(log.flights.size(), 16u);
  std::size_t sensor = 0;
  for (std::size_t i = 0; i < 4; ++i)
    for (const analysis::Finding& f : log.flights[i].findings) sensor += f.kind == analysis::FindingKind::Sensor;
  EXPECT_GE(sensor, 4u);
  for (const analysis::Finding& t : log.trends) ADD_FAILURE() << t.text;
}
