// SPDX-License-Identifier: GPL-3.0-or-later
// The logbook's figures across flights: the fleet row of an aircraft, the
// totals of shown flights, the CSV text of a table, and the summary of
// what a download brought.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>

#include "frontend/new_flights.h"
#include "store/fleet.h"
#include "support/flight_files.h"

using namespace varnix;
using namespace varnix::flight;

namespace {

store::LogbookFlight flightOf(const std::string& start, double hours, float fuel, const std::string& fuelUnit,
                       std::vector<bool> findingsAcknowledged = {}, bool isNew = false) {
  store::LogbookFlight f;
  f.entry.start = start;
  f.entry.recordedSeconds = hours * 3600;
  f.entry.fuelUsed = fuel;
  f.entry.fuelUnit = fuelUnit;
  f.isNew = isNew;
  for (bool acknowledged : findingsAcknowledged) {
    analysis::Finding x;
    x.channel = "C3";
    x.text = "C3 reached 462 °F";
    x.acknowledged = acknowledged;
    f.findings.push_back(x);
  }
  return f;
}

constexpr float kNoFuel = std::numeric_limits<float>::quiet_NaN();

}  // namespace

TEST(FleetTest, rowCountsFlightsHoursNewAndOpenFindings) {
  struct Case {
    const char* name;
    std::vector<store::LogbookFlight> flights;  // newest first, as the logbook keeps them
    std::vector<bool> trendsAcknowledged;
    std::size_t flightsCount, open, fresh;
    double hours;
    const char* last;
    const char* text;
    const char* status;
  };
  const Case cases[] = {
      {"no flights", {}, {}, 0, 0, 0, 0, "", "0 flights", "N123AB: nothing new"},
      {"one flight, nothing open",
       {flightOf("2026-11-30T09:12:00", 1.5, 10, "GPH", {true})},
       {},
       1, 0, 0, 1.5, "2026-11-30", "1 flight · last 2026-11-30", "N123AB: nothing new"},
      {"open findings of flights and trends, acknowledged ones left out",
       {flightOf("2026-11-30T09:12:00", 1, 10, "GPH", {false, true}, true),
        flightOf("2026-11-02T15:00:00", 2.25, 10, "GPH", {false, false}, true),
        flightOf("2026-10-01T08:00:00", 0.5, 10, "GPH")},
       {false, true},
       3, 4, 2, 3.75, "2026-11-30", "3 flights · last 2026-11-30 · 2 new · 4 open",
       "N123AB: C3 reached 462 °F (2 flights since 2026-11-02); 1 more"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store::AircraftLog log;
    log.folder = "N123AB";
    log.flights = c.flights;
    for (bool acknowledged : c.trendsAcknowledged) {
      analysis::Finding t;
      t.kind = analysis::FindingKind::TrendCht;
      t.acknowledged = acknowledged;
      log.trends.push_back(t);
    }
    const store::FleetRow row = store::MakeFleetRow(log);
    EXPECT_EQ(row.folder, "N123AB");
    EXPECT_EQ(row.flights, c.flightsCount);
    EXPECT_EQ(row.openFindings, c.open);
    EXPECT_EQ(row.newFlights, c.fresh);
    EXPECT_NEAR(row.hours, c.hours, 1e-9);
    EXPECT_EQ(row.lastFlight, c.last);
    EXPECT_EQ(store::FleetRowText(row), c.text);
    EXPECT_EQ(row.status, c.status);
    EXPECT_EQ(row.issues > 0, c.open > 0);
  }
}

// The Fleet tab's last lean test: the newest flight with a sweep, its
// spread judged again under the aircraft's own thresholds.
TEST(FleetTest, rowTakesTheNewestLeanTestUnderTheAircraftsLimits) {
  const auto withLean = [](const std::string& start, const std::string& verdict, double gph) {
    store::LogbookFlight f = flightOf(start, 1, 10, "GPH");
    f.entry.lean.verdict = verdict;
    f.entry.lean.spreadGph = gph;
    return f;
  };
  const double none = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    const char* name;
    std::vector<store::LogbookFlight> flights;  // newest first
    double goodSpread;                   // the aircraft's lean_good_spread
    const char* verdict;
    const char* date;
  };
  const Case cases[] = {
      {"no sweep in any flight", {flightOf("2026-11-30T09:12:00", 1, 10, "GPH")}, 0.5, "", ""},
      {"the newest flight without a sweep is passed over",
       {flightOf("2026-11-30T09:12:00", 1, 10, "GPH"), withLean("2026-11-20T09:12:00", "good", 0.3),
        withLean("2026-11-10T09:12:00", "poor", 1.4)},
       0.5, "good", "2026-11-20"},
      {"stricter thresholds judge the stored spread again",
       {withLean("2026-11-20T09:12:00", "good", 0.3)}, 0.2, "fair", "2026-11-20"},
      {"a sweep too coarse to judge keeps its verdict",
       {withLean("2026-11-20T09:12:00", "too_coarse", none)}, 0.5, "too_coarse", "2026-11-20"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store::AircraftLog log;
    log.folder = "N123AB";
    log.flights = c.flights;
    log.limits.leanGoodSpread = c.goodSpread;
    const store::FleetRow row = store::MakeFleetRow(log);
    EXPECT_EQ(row.lastLeanTest, c.verdict);
    EXPECT_EQ(row.lastLeanDate, c.date);
  }
}

TEST(FleetTest, totalsAddTheShownFlightsAndKeepTheFuelUnitHonest) {
  const store::LogbookFlight gal1 = flightOf("2026-11-30T09:12:00", 1.25, 12.5f, "GPH");
  const store::LogbookFlight gal2 = flightOf("2026-11-29T09:12:00", 2, 20, "GPH");
  const store::LogbookFlight litres = flightOf("2026-11-28T09:12:00", 1, 40, "LPH");
  const store::LogbookFlight noFuel = flightOf("2026-11-27T09:12:00", 0.5, kNoFuel, "");
  struct Case {
    const char* name;
    std::vector<const store::LogbookFlight*> shown;
    std::optional<std::size_t> of;
    const char* text;
  };
  const Case cases[] = {
      {"nothing shown", {}, {}, "0 flights · 0.0 h"},
      {"none of one shown", {}, 1, "0 of 1 flight · 0.0 h"},
      {"one unit", {&gal1, &gal2}, 4, "2 of 4 flights · 3.2 h · 32.5 gal fuel"},
      {"a flight without fuel adds its hours only", {&gal1, &noFuel}, {}, "2 flights · 1.8 h · 12.5 gal fuel"},
      {"no flight with fuel", {&noFuel}, {}, "1 flight · 0.5 h"},
      {"litres", {&litres}, {}, "1 flight · 1.0 h · 40.0 L fuel"},
      {"gallons and litres", {&gal1, &litres}, {}, "2 flights · 2.2 h · 52.5 fuel (mixed units)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(store::TotalsText(store::TotalFlights(c.shown), c.of), c.text);
  }
}

TEST(FleetTest, csvQuotesOnlyTheFieldsThatNeedIt) {
  struct Case {
    std::vector<std::vector<std::string>> rows;
    const char* text;
  };
  const Case cases[] = {
      {{}, ""},
      {{{"Date", "Flight"}, {"2026-11-30 09:12:00", "23A"}}, "Date,Flight\n2026-11-30 09:12:00,23A\n"},
      {{{"a,b", "say \"hi\"", "two\nlines", ""}}, "\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",\n"},
      {{{"396 °C3", " spaced "}}, "396 °C3, spaced \n"},
  };
  for (const Case& c : cases) EXPECT_EQ(store::CsvText(c.rows), c.text);
}

// The summary after a download, on the sample's four flights of N123AB
// under a CHT limit three of them exceed (one also has a loose EGT probe).
TEST(FleetTest, newFlightsSummaryCountsFlightsOnceWithTheirOpenFindings) {
  namespace fs = std::filesystem;
  test::TempDir dir;
  const std::vector<std::string> paths =
      test::expandedFlights(dir, test::readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  ASSERT_EQ(paths.size(), 4u);
  const std::string data = dir.file("data");
  test::writeFile(data + "/N123AB/varnix-limits.txt", "cht_max = 390\n");
  std::vector<std::string> written;
  for (const std::string& p : paths) written.push_back(fs::relative(p, data).generic_string());
  // The same flight delivered again under a suffixed name, and a file that is no flight.
  fs::copy_file(paths[0], data + "/N123AB/F00101A.CSV");
  test::writeFile(data + "/N123AB/NOTES.CSV", "not a flight\n");

  struct Case {
    const char* name;
    std::vector<std::string> files;
    const char* acknowledged;  // the aircraft's acknowledged findings file; "" none
    std::size_t flights, withFindings, unreadable;
    const char* firstLine;
    const char* finding;  // in the line under it; nullptr: no finding line
  };
  const Case cases[] = {
      {"nothing written", {}, "", 0, 0, 0, nullptr, nullptr},
      {"the four flights", written, "", 4, 3, 0, "N123AB: 4 new flights, 3 with findings",
       "CHT C3 reached 396"},
      {"a flight twice and a file that is none",
       {written[0], "N123AB/F00101A.CSV", "N123AB/NOTES.CSV"}, "", 1, 1, 1, "N123AB: 1 new flight, 1 with findings",
       "CHT C3 reached 395"},
      {"the CHT findings acknowledged", written, "cht C3 2099-12-31 probe reads high\n", 4, 1, 0,
       "N123AB: 4 new flights, 1 with findings", "E3 dropped out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::writeFile(data + "/N123AB/varnix-acknowledged.txt", c.acknowledged);
    const frontend::NewFlights s = frontend::SummariseNewFlights(data, c.files);
    EXPECT_EQ(s.flights(), c.flights);
    EXPECT_EQ(s.unreadable, c.unreadable);
    std::size_t withFindings = 0;
    for (const auto& a : s.aircraft) withFindings += a.withFindings;
    EXPECT_EQ(withFindings, c.withFindings);
    const std::vector<std::string> lines = s.lines();
    if (!c.firstLine) {
      EXPECT_TRUE(lines.empty());
      continue;
    }
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), c.firstLine);
    if (!c.finding) {
      EXPECT_EQ(lines.size(), 1u + (c.unreadable > 0));
      continue;
    }
    ASSERT_GE(lines.size(), 2u);
    EXPECT_TRUE(lines[1].starts_with("    Flight ")) << lines[1];
    EXPECT_NE(lines[1].find(c.finding), std::string::npos) << lines[1];
  }
}
