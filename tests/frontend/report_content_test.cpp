// SPDX-License-Identifier: GPL-3.0-or-later
// The report's content: the facts, the headline line and the tables as the
// report prints them, on flights written by hand; the headline over both
// engines of a twin.
#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/flight_analysis.h"
#include "encoder/dump_encoder.h"
#include "flight/flight_reader.h"
#include "frontend/report/report_content.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using report::ReportContent;

ReportContent contentOf(const flight::Flight& f) {
  const flight::FlightAnalysis a = flight::AnalyseFlight(f);
  return report::MakeReportContent(f, a, {}, "F00007.CSV");
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
       {"Aircraft N7 · Flight #7 · F00007.CSV", "Date 2024-06-03, start 23:59:48 · duration 0.01 h (4 rows every 6 s)",
        "Monitor: Model 830 Firmware 288 · engine °F, OAT °C, fuel flow GPH"},
       "Hottest EGT 1350 °F (E2) · Hottest CHT 395 °F (C2) · Max DIF 45 °F (DIF) · Fastest cooling -30 °F/min (CLD) · "
       "Min BAT 12.1 V (BAT) · Fuel used 0.3",
       {{"1", "1310", "1301", "23:59:54", "385", "378", "0:00:00"},
        {"2", "1350", "1325", "0:00:00", "395", "389", "23:59:54"}},
       {{"DIF", "°F", "10", "45", "24", "0:00:00"},
        {"CLD", "°F/min", "-30", "0", "-12", "23:59:48"},
        {"BAT", "V", "12.1", "14.2", "13.6", "0:00:00"},
        {"FF", "GPH", "12.0", "12.0", "12.0", "23:59:48"},
        {"USD", "gal", "0.1", "0.3", "0.2", "0:00:00"}}},
      {"derived cooling, a channel without values",
       handFlight("\"E1\",\"C1\",\"OAT\",", {",1300,380,\"NA\"", ",1310,390,\"NA\"", ",1300,370,\"NA\""}, 60, "F/F LPH"),
       {"Aircraft N7 · Flight #7 · F00007.CSV", "Date 2024-06-03, start 23:59:48 · duration 0.03 h (3 rows every 60 s)",
        "Monitor: Model 830 Firmware 288 · engine °F, OAT °C, fuel flow LPH"},
       "Hottest EGT 1310 °F (E1) · Hottest CHT 390 °F (C1) · Fastest cooling -20 °F/min (CLD)",
       {{"1", "1310", "1303", "0:00:48", "390", "380", "0:00:48"}},
       {{"OAT", "°C", "NA"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const flight::FlightRead read = flight::ReadFlightText(c.text);
    ASSERT_TRUE(read.flight) << read.problem;
    const ReportContent r = contentOf(*read.flight);
    EXPECT_EQ(r.facts, c.facts);
    EXPECT_EQ(r.headlineLine, c.headline);
    EXPECT_EQ(r.cylinderRows, c.cylinders);
    EXPECT_EQ(r.channelRows, c.channels);
  }
}

}  // namespace
}  // namespace varnix::test
