// SPDX-License-Identifier: GPL-3.0-or-later
// The report's content: the facts, the headline line and the tables as the
// report prints them, on flights written by hand; the headline over both
// engines of a twin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "analysis/flight_analysis.h"
#include "encoder/dump_encoder.h"
#include "flight/flight_reader.h"
#include "frontend/report/aircraft_report_content.h"
#include "frontend/report/report_content.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using frontend::report::ReportContent;

ReportContent contentOf(const flight::Flight& f) {
  const analysis::FlightAnalysis a = analysis::AnalyseFlight(f);
  return frontend::report::MakeReportContent(f, a, std::vector<analysis::Finding>{}, "F00007.CSV");
}

TEST(ReportContent, SaysTheFactsHeadlineAndTablesAsTheReportPrintsThem) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> facts;
    std::string headline;
    std::vector<std::vector<std::string>> cylinders, channels;
  } cases[] = {
      {"recorded cooling",
       handFlight("\"E1\",\"E2\",\"C1\",\"C2\",\"DIF\",\"CLD\",\"BAT\",\"FF\",\"USD\",\"MARK\",",
                  {",1300,1320,380,390,20,0,13.9,12,0.1,", ",1310,1330,\"NA\",395,20,-12,14.1,12,0.2,",
                   ",1305,1350,385,392,45,-30,14.2,12,0.3,\"S\"", ",1290,1300,370,380,10,-5,12.1,12,\"NA\","}),
       {"Aircraft N7 · Flight #7 · F00007.CSV", "Date 2024-06-03, start 23:59:48 · duration 0:00:18 (4 rows every 6 s)",
        "Monitor: Model 830 Firmware 288 · engine °F, OAT °C, fuel flow GPH"},
       "Hottest EGT 1350 °F (E2) · Hottest CHT 395 °F (C2) · Max DIF 45 °F · Fastest cooling -30 °F/min (CLD) · "
       "Min BAT 12.1 V · Fuel used 0.3 gal",
       {{"1", "1310", "1301", "23:59:54", "385", "378", "0:00:00"},
        {"2", "1350", "1325", "0:00:00", "395", "389", "23:59:54"}},
       {{"DIF", "°F", "10", "45", "24", "0:00:00"},
        {"CLD", "°F/min", "-30", "0", "-12", "23:59:48"},
        {"BAT", "V", "12.1", "14.2", "13.6", "0:00:00"},
        {"FF", "GPH", "12.0", "12.0", "12.0", "23:59:48"},
        {"USD", "gal", "0.1", "0.3", "0.2", "0:00:00"}}},
      {"derived cooling, a channel without values",
       handFlight("\"E1\",\"C1\",\"OAT\",", {",1300,380,\"NA\"", ",1310,390,\"NA\"", ",1300,370,\"NA\""}, 60, "F/F LPH"),
       {"Aircraft N7 · Flight #7 · F00007.CSV", "Date 2024-06-03, start 23:59:48 · duration 0:02:00 (3 rows every 60 s)",
        "Monitor: Model 830 Firmware 288 · engine °F, OAT °C, fuel flow LPH"},
       "Hottest EGT 1310 °F (E1) · Hottest CHT 390 °F (C1) · Fastest cooling -20 °F/min (CLD)",
       {{"1", "1310", "1303", "0:00:48", "390", "380", "0:00:48"}},
       {{"OAT", "°C", "NA"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const flight::FlightRead read = flight::ReadFlightText(c.text);
    ASSERT_TRUE(read.ok()) << read.problem;
    const ReportContent r = contentOf(read.value);
    EXPECT_EQ(r.facts, c.facts);
    EXPECT_EQ(r.headlineLine, c.headline);
    EXPECT_EQ(r.cylinderRows, c.cylinders);
    EXPECT_EQ(r.channelRows, c.channels);
  }
}

TEST(ReportContent, WritesTimesOfDayAndDurationsInOneFormat) {
  // `cut`: the JSON's clock (the fraction cut, before midnight the day
  // before's); `minutes`: the findings' "at 9:05".
  const struct {
    double seconds;
    const char* clock;
    const char* duration;
    const char* cut;
    const char* minutes;
  } cases[] = {
      {0, "0:00:00", "0:00:00", "0:00:00", "0:00"},
      {10978, "3:02:58", "3:02:58", "3:02:58", "3:02"},
      {10977.6, "3:02:58", "3:02:58", "3:02:57", "3:02"},
      {86400 + 65, "0:01:05", "24:01:05", "0:01:05", "0:01"},  // a clock wraps at midnight, a duration goes on
      {148325, "17:12:05", "41:12:05", "17:12:05", "17:12"},
      {-5, "0:00:00", "0:00:00", "23:59:55", "23:59"},
      {std::nan(""), "0:00:00", "", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.seconds);
    EXPECT_EQ(frontend::report::DurationText(c.seconds), c.duration);
    if (std::isfinite(c.seconds)) {
      EXPECT_EQ(frontend::report::ClockText(c.seconds), c.clock);
      EXPECT_EQ(flight::ClockText(c.seconds, flight::ClockRound::Down), c.cut);
      EXPECT_EQ(flight::ClockMinutesText(c.seconds), c.minutes);
    }
  }
}

// The engine analysis's sections as the report prints them: every figure
// with its unit (in the column's title or after it), the flight's own units
// (°C here), durations as h:mm:ss, and a line for each part that found nothing.
TEST(ReportContent, TheEngineAnalysisSectionsCarryTheirUnits) {
  const flight::FlightRead read = flight::ReadFlightText(
      handFlight("\"E1\",\"E2\",\"C1\",\"C2\",\"FF\",", {",700,710,180,190,40", ",705,715,185,195,40"}, 6, "F/F LPH"));
  ASSERT_TRUE(read.ok()) << read.problem;
  flight::Flight f = read.value;
  f.facts.engineUnit = 'C';
  analysis::EngineAnalysis found;
  found.phases.figures = {{analysis::Phase::Cruise, 0, 3725, 12.5, 190, 705, 65}};
  found.powerMixture.power = {true, 65, "fuel_flow_lop", ""};
  found.leanTests.push_back({0, 6, analysis::LeanVerdict::Good, true, 0.4, flight::Unit::LitresPerHour, "E1", "E2", 2,
                             {{"E1", true, 710, 41.5, 3}, {"E2", false, 715, 0, 0}}, "", ""});
  found.magChecks.push_back(
      {0, 6, 110, analysis::MagVerdict::Plug, {{"E1", 20}, {"E2", -3}}, "", 2, "", 1800, flight::Engine::Only, {}});
  found.valveScreen.why = "no cruise";
  analysis::EngineAnalysis none;
  none.phases.why = "no RPM";
  none.powerMixture.power.why = "rated_hp unknown";
  none.valveScreen.why = "no cruise";
  // The valve screen's and the sensors' lines join the power section, in that order.
  analysis::EngineAnalysis screens = none;
  screens.valveScreen = {};
  screens.valveScreen.judged = true;
  screens.valveScreen.cylinders = {{"E1", 12, 0, analysis::ValveVerdict::None}, {"E2", 38, 24, analysis::ValveVerdict::Valve},
                                   {"E3", 61, 30, analysis::ValveVerdict::TooLarge}};
  screens.sensorFaults = {{"C1", analysis::SensorFaultKind::Dropout, 0, 6}, {"E2", analysis::SensorFaultKind::Stuck, 6, 6}};
  const struct {
    const char* what;
    const analysis::EngineAnalysis& analysis;
    std::vector<std::vector<std::string>> lines, headers;
    std::vector<std::vector<std::vector<std::string>>> rows;
  } cases[] = {
      {"every part found",
       found,
       {{},
        {"Power in cruise: 65 % (fuel flow lop)", "Mixture: no cruise to judge.", "Valve screen: not judged (no cruise)",
         "Sensors: no probe reads like a fault"},
        {"Sweep at 23:59:48 (2 rows): Good, the peaks 0.40 LPH apart, E1 first and E2 last"},
        {"Each EGT's rise on one magneto, in °C."}},
       {{"Phase", "From", "To", "Duration", "Fuel (L)", "Max CHT (°C)", "Mean EGT (°C)", "Mean power (%)"},
        {},
        {"Sweep", "Cylinder", "Peak EGT (°C)", "Fuel flow at peak (LPH)", "Peak at"},
        {"Time", "RPM drop", "Verdict", "E1 (°C)", "E2 (°C)"}},
       {{{"Cruise", "23:59:48", "1:01:53", "1:02:05", "12.5", "190", "705", "65"}},
        {},
        {{"23:59:48", "E1", "710", "41.50", "23:59:51"}, {"23:59:48", "E2", "715", "no peak", ""}},
        {{"23:59:48", "110 RPM", "Plug", "20", "-3"}}}},
      {"nothing found",
       none,
       {{"None found: no RPM"},
        {"Power in cruise: not judged (rated_hp unknown)", "Mixture: no cruise to judge.",
         "Valve screen: not judged (no cruise)", "Sensors: no probe reads like a fault"},
        {"No leaning sweep in this flight."},
        {"No magneto check in the run-up."}},
       {{"Phase", "From", "To", "Duration", "Fuel (L)", "Max CHT (°C)", "Mean EGT (°C)", "Mean power (%)"}, {}, {}, {}},
       {{}, {}, {}, {}}},
      {"screens found",
       screens,
       {{"None found: no RPM"},
        {"Power in cruise: not judged (rated_hp unknown)", "Mixture: no cruise to judge.",
         "Valve screen: E2 ±38 °C every 24 s (valve), E3 ±61 °C every 30 s (too large)",
         "Sensors: C1 dropout from 23:59:48, E2 stuck from 23:59:54"},
        {"No leaning sweep in this flight."},
        {"No magneto check in the run-up."}},
       {{"Phase", "From", "To", "Duration", "Fuel (L)", "Max CHT (°C)", "Mean EGT (°C)", "Mean power (%)"}, {}, {}, {}},
       {{}, {}, {}, {}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<frontend::report::ReportSection> sections = frontend::report::AnalysisSections(f, c.analysis);
    ASSERT_EQ(sections.size(), 4u);
    EXPECT_EQ(sections[0].title, "Phases");
    EXPECT_EQ(sections[2].title, "Lean test");
    EXPECT_EQ(sections[3].title, "Magneto check");
    for (std::size_t i = 0; i < sections.size(); ++i) {
      SCOPED_TRACE(sections[i].title);
      EXPECT_EQ(sections[i].lines, c.lines[i]);
      EXPECT_EQ(sections[i].table.header, c.headers[i]);
      EXPECT_EQ(sections[i].table.rows, c.rows[i]);
    }
  }
}

store::LogbookFlight loggedFlight(const std::string& start, const std::string& label, double hours, float cht,
                                   float fuel, flight::Unit unit = flight::Unit::DegreesF,
                                   std::vector<analysis::Finding> findings = {}) {
  store::LogbookFlight f;
  f.entry.aircraft = "N7";
  f.entry.start = start;
  f.entry.flightLabel = label;
  f.entry.recordedSeconds = hours * 3600;
  f.entry.engineUnit = unit;
  f.entry.fuelUnit = "GPH";
  f.entry.hottestCht = {"CHT", "C3", cht, 100, 3, flight::Engine::Only};
  f.entry.fuelUsed = fuel;
  f.findings = std::move(findings);
  return f;
}

// The aircraft report's period: which flights it lists, their totals (the
// fuel of a flight in another unit left out and said so), the findings open
// and acknowledged, and the trend panels' points oldest first.
TEST(AircraftReportContent, ListsThePeriodsFlightsWithTotalsFindingsAndPanels) {
  analysis::Finding hot;
  hot.severity = analysis::Severity::Warning;
  hot.text = "C3 reached 465 °F";
  hot.hint = "look at C3's baffles";
  analysis::Finding known = hot;
  known.severity = analysis::Severity::Caution;
  known.text = "C2 reached 440 °F";
  known.hint.clear();
  known.acknowledged = true;
  known.reason = "new cylinder";
  store::AircraftLog log;
  log.folder = "N7";
  log.flights = {loggedFlight("2024-07-02T10:00:00", "9", 1.0, 200, 36, flight::Unit::DegreesC),
                 loggedFlight("2024-06-30T09:00:00", "8", 2.0, 410, 20.5, flight::Unit::DegreesF, {hot, known}),
                 loggedFlight("2024-06-03T08:30:00", "7", 1.5, 400, 15),
                 loggedFlight("2024-05-31T08:00:00", "6", 0.5, 390, 5),
                 loggedFlight("2023-12-01T08:00:00", "5", 1.0, 380, 10)};
  log.flights[0].entry.fuelUnit = "LPH";
  const struct {
    const char* what;
    std::string since, until;
    std::vector<std::string> dates, totals;
    std::size_t findings, acknowledged;
    std::vector<double> chtPanel;
    std::vector<std::size_t> chtLineStarts;  // points after a gap, where the line starts anew
  } cases[] = {
      {"June", "2024-06-01", "2024-06-30", {"2024-06-30", "2024-06-03"},
       {"Flights 2", "Flight time 3:30:00", "Fuel used 35.5 gal", "Open findings 1"}, 1, 1, {400, 410}, {}},
      {"from June on, a flight in °C and litres", "2024-06-01", "", {"2024-07-02", "2024-06-30", "2024-06-03"},
       {"Flights 3", "Flight time 4:30:00", "Fuel used 36.0 L (flights in other units left out)", "Open findings 1"}, 1,
       1, {200}, {}},
      {"one day, both ends inclusive", "2024-06-03", "2024-06-03", {"2024-06-03"},
       {"Flights 1", "Flight time 1:30:00", "Fuel used 15.0 gal", "Open findings 0"}, 0, 0, {400}, {}},
      {"no flight", "2025-01-01", "", {}, {"Flights 0", "Flight time 0:00:00", "Open findings 0"}, 0, 0, {}, {}},
      {"across the winter the aircraft stood", "2023-11-01", "2024-06-30",
       {"2024-06-30", "2024-06-03", "2024-05-31", "2023-12-01"},
       {"Flights 4", "Flight time 5:00:00", "Fuel used 50.5 gal", "Open findings 1"}, 1, 1, {380, 390, 400, 410}, {1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const frontend::report::AircraftReportContent r = frontend::report::MakeAircraftReportContent(log, "N7", c.since, c.until);
    std::vector<std::string> dates;
    for (const auto& row : r.flights.rows) dates.push_back(row.at(0));
    EXPECT_EQ(dates, c.dates);
    EXPECT_EQ(r.totals, c.totals);
    EXPECT_EQ(r.findings.size(), c.findings);
    EXPECT_EQ(r.acknowledged.size(), c.acknowledged);
    std::vector<double> cht;
    std::vector<std::size_t> lineStarts;
    for (const frontend::report::TrendSeries& s : r.panels)
      if (s.title == "Hottest CHT")
        for (const auto& p : s.points) {
          if (p.afterGap) lineStarts.push_back(cht.size());
          cht.push_back(p.value);
        }
    EXPECT_EQ(cht, c.chtPanel);
    EXPECT_EQ(lineStarts, c.chtLineStarts);
    EXPECT_EQ(r.pageHeader, "N7 · " + (c.until.empty() ? "from " + c.since : c.since + " to " + c.until));
  }
  // The columns' titles carry the units of the newest flight of the period.
  const frontend::report::AircraftReportContent june = frontend::report::MakeAircraftReportContent(log, "N7", "2024-06-01", "2024-06-30");
  EXPECT_EQ(june.flights.header.at(5), "Hottest CHT (°F)");
  EXPECT_EQ(june.flights.header.at(8), "Fuel (gal)");
  EXPECT_EQ(june.flights.rows.at(0).at(3), "2:00:00");
  EXPECT_EQ(june.findings.at(0), "2024-06-30 #8 · WARNING · C3 reached 465 °F — look at C3's baffles");
  EXPECT_EQ(june.acknowledged.at(0), "2024-06-30 #8 · Caution · C2 reached 440 °F (acknowledged: new cylinder)");
  // The first page's issues: the period's open findings by issue, the acknowledged one left out.
  EXPECT_EQ(june.issues, (std::vector<std::string>{"WARNING · C3 reached 465 °F — 1 flight, 2024-06-30 — look at C3's baffles"}));
  EXPECT_TRUE(frontend::report::MakeAircraftReportContent(log, "N7", "2025-01-01", "").issues.empty());
}

TEST(AircraftReportContent, TakesOnlyRealCalendarDays) {
  const struct {
    const char* text;
    bool date;
  } cases[] = {{"2024-06-03", true}, {"2024-02-29", true}, {"2023-02-29", false}, {"2024-13-01", false},
               {"2024-06-31", false}, {"2024-6-3", false},  {"2024/06/03", false}, {"", false},
               {"2024-06-03x", false}, {"1900-02-29", false}, {"2000-02-29", true}};
  for (const auto& c : cases) EXPECT_EQ(frontend::report::IsDate(c.text), c.date) << c.text;
  EXPECT_EQ(frontend::report::IsoSeconds("1970-01-02T00:00:01"), 86401.0);
  EXPECT_EQ(frontend::report::IsoSeconds("2024-06-03T08:30:00"), 1717403400.0);
  EXPECT_FALSE(frontend::report::IsoSeconds("2024-06-03"));
}

}  // namespace
}  // namespace varnix::test
