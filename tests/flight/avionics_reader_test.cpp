// SPDX-License-Identifier: GPL-3.0-or-later
// The avionics log reader, through the one door for flight files, on small
// logs written for these tests and on a real log.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "analysis/flight_phases.h"
#include "analysis/flight_summary.h"
#include "flight/avionics_reader.h"
#include "flight/open_flight.h"
#include "frontend/chart/panel_plan.h"

namespace varnix::test {
namespace {

using flight::ChannelKind;
using flight::Engine;
using flight::Flight;
using flight::FlightRead;

constexpr const char* kInfo =
    "#airframe_info, log_version=\"1.00\", airframe_name=\"Cirrus SR22\", unit_software_version=\"9.10\", "
    "system_id=\"ABC123\", aircraft_ident=\"N123AB\",\n";

// A log of the given units, titles and rows, each row ending in a line end
// unless `cutLast`.
std::string log(const std::string& units, const std::string& titles, const std::vector<std::string>& rows,
                bool cutLast = false, const std::string& info = kInfo) {
  std::string text = info + units + "\n" + titles + "\n";
  for (std::size_t i = 0; i < rows.size(); ++i) text += rows[i] + (cutLast && i + 1 == rows.size() ? "" : "\n");
  return text;
}

const std::string kSingleUnits = "#yyy-mm-dd, hh:mm:ss,   hh:mm,  ft,  kt, fpm, gph, deg F, psi, Hg, rpm, %, deg F, deg F, deg F, deg F";
const std::string kSingleTitles =
    "  Lcl Date, Lcl Time, UTCOfst, AltInd, IAS, VSpd, E1 FFlow, E1 OilT, E1 OilP, E1 MAP, E1 RPM, E1 %Pwr, E1 CHT1, "
    "E1 CHT2, E1 EGT1, E1 EGT2";

struct Expect {
  std::size_t rows;  // the untimed first row of the single logs is left out
  int channels;
  double lastSecond;
  std::string aircraft;
  std::string note;  // a note the read must give, "" for none expected
  int date = 0;      // the start's date as yyyymmdd; 0: not checked
};

// One channel's largest value, NaN when it has none.
float maxOf(const Flight& f, ChannelKind kind, Engine engine, int cylinder = 0) {
  const int c = flight::FindChannel(f.channels, kind, engine, cylinder);
  if (c < 0) return NAN;
  float m = NAN;
  for (float v : f.column(static_cast<std::size_t>(c)))
    if (!std::isnan(v) && (std::isnan(m) || v > m)) m = v;
  return m;
}

bool hasNote(const Flight& f, const std::string& part) {
  for (const std::string& n : f.notes)
    if (n.find(part) != std::string::npos) return true;
  return false;
}

TEST(AvionicsReader, ReadsTheLayoutsAndTheirQuirks) {
  struct Case {
    const char* name;
    std::string text;
    Expect expect;
    ChannelKind kind;  // a channel to check and its largest value
    Engine engine;
    int cylinder;
    float max;
  };
  const std::vector<std::string> single = {
      "          ,         ,        ,  300.0,     ,     ,      ,       ,      ,     ,     ,     ,       ,       ,        ,        ",
      "2022-04-17, 12:48:47,  +02:00,  300.0,  0.0,  0.0,  0.00,  100.0,  40.0, 29.9,  0.0, 0.00,  100.0,  101.0,   200.0,   201.0",
      "2022-04-17, 12:48:48,  +02:00,  310.0, 60.0, 500., 25.00,  150.0,  60.0, 30.5, 2500, 1.02,  350.0,  380.5,  1400.0,  1450.0",
      "2022-04-17, 12:48:49,  +02:00,  320.0, 70.0, 600., 24.00,  160.0,  55.0, 30.0, 2450, 0.95,  360.0,  370.0,  1420.0,  1430.0",
  };
  std::vector<std::string> percent = single;
  for (std::string* row : {&percent[2], &percent[3]}) {
    const std::size_t at = row->find(row == &percent[2] ? "1.02" : "0.95");
    row->replace(at, 4, row == &percent[2] ? "102." : "95.0");
  }
  std::vector<std::string> hot = single;
  hot[3].replace(hot[3].find("  360.0"), 7, "12000.0");
  std::vector<std::string> cut = single;
  cut.push_back("2022-04-17, 12:48:50,  +02:00,  330.0, 75.0");

  const std::string twinUnits = "#yyy-mm-dd, hh:mm:ss, hh:mm, gph, deg F, rpm, gph, deg F, rpm";
  const std::string twinTitles = "Lcl Date, Lcl Time, UTCOfst, E1 FFlow, E1 CHT1, E1 RPM, E2 FFlow, E2 CHT1, E2 RPM";
  const std::vector<std::string> twinRows = {
      "2021-06-01, 09:00:00, -05:00, 20.0, 350.0, 2400, 21.0, 355.0, 2410",
      "2021-06-01, 09:00:01, -05:00, 20.5, 360.0, 2400, 21.5, 375.0, 2420",
  };

  // Saved again by a spreadsheet: the first line quoted, dd/mm/yyyy dates, no blanks.
  const std::string sheetInfo =
      "#airframe_info,\"log_version=\"\"1.00\"\"\",\"airframe_name=\"\"Cirrus SR22\"\"\",\"tail_number=\"\"F-ABCD\"\"\"\n";
  const std::vector<std::string> sheetRows = {
      "17/04/2022,23:59:59,+00:00,20.0,350.0,2400",
      "18/04/2022,00:00:01,+00:00,20.5,360.0,2400",
  };

  // A G3X: a longer first line, long titles with their units, a row of short
  // aliases, temperatures in 5 degree steps.
  const std::string g3xInfo =
      "#airframe_info,log_version=\"1.00\",airframe_name=\"RV-10\",unit_software_part_number=\"006-B1727-2A\","
      "unit_software_version=\"9.10\",system_software_part_number=\"006-B2230-00\",system_id=\"123456\","
      "mode=NORMAL,\n";
  const std::string g3xUnits = "#yyy-mm-dd,hh:mm:ss,hh:mm,ft,deg F,deg F,gal/hour,inch Hg,rpm";
  const std::string g3xTitles =
      "Lcl Date,Lcl Time,UTC Offset,\"Altitude (ft)\",\"CHT1 (deg F)\",\"EGT1 (deg F)\","
      "\"Fuel Flow (gal/hour)\",\"Manifold Press (inch Hg)\",RPM\n"
      "Lcl Date,Lcl Time,UTCOfst,AltMSL,E1 CHT1,E1 EGT1,E1 FFlow,E1 MAP,E1 RPM";
  const std::vector<std::string> g3xRows = {
      "2020-08-09,14:00:00,-07:00,5500,345,1410,12.5,22.1,2300",
      "2020-08-09,14:00:01,-07:00,5510,350,1415,12.4,22.0,2310",
  };

  // A waypoint column first: its word does not make the first row a G3X's aliases.
  const std::vector<std::string> waypointRows = {
      "LFQA, 2022-04-17, 12:00:00, +02:00, 10.0, 350.0, 2400",
      "LFQA, 2022-04-17, 12:00:01, +02:00, 10.5, 355.0, 2410",
  };
  const std::string waypointLog = log("#ident, yyy-mm-dd, hh:mm:ss, hh:mm, gph, deg F, rpm",
                                      "AtvWpt, Lcl Date, Lcl Time, UTCOfst, E1 FFlow, E1 CHT1, E1 RPM", waypointRows);
  // A twin whose left engine wrote nothing: its phases come from the right one.
  const std::vector<std::string> rightOnlyRows = {
      "2021-06-01, 09:00:00, -05:00,     ,      ,     , 21.0, 355.0, 2410",
      "2021-06-01, 09:00:01, -05:00,     ,      ,     , 21.5, 375.0, 2420",
  };
  // Dates a spreadsheet wrote a/b/yyyy: month first unless a day after the 12th says otherwise.
  auto slashLog = [&](const std::vector<std::string>& whens) {
    std::vector<std::string> rows;
    for (const std::string& when : whens) rows.push_back(when + ",+00:00,20.0,350.0,2400");
    return log("#yyy-mm-dd,hh:mm:ss,hh:mm,gph,deg F,rpm", "Lcl Date,Lcl Time,UTCOfst,E1 FFlow,E1 CHT1,E1 RPM", rows,
               false, sheetInfo);
  };

  const Case cases[] = {
      {"a log of 1969", slashLog({"7/20/1969,20:17:39", "7/20/1969,20:17:40"}), {2, 3, 1, "F-ABCD", "", 19690720},
       ChannelKind::Cht, Engine::Only, 1, 350.0f},
      {"a waypoint column first", waypointLog, {2, 3, 1, "N123AB", "", 20220417}, ChannelKind::Cht, Engine::Only, 1, 355.0f},
      {"twin: the left engine's columns empty", log(twinUnits, twinTitles, rightOnlyRows), {2, 3, 1, "", ""},
       ChannelKind::Rpm, Engine::Right, 0, 2420.0f},
      {"4/5/2022: month first, guessed", slashLog({"4/5/2022,10:00:00", "4/5/2022,10:00:01"}), {2, 3, 1, "F-ABCD", "taken as month/day", 20220405},
       ChannelKind::Cht, Engine::Only, 1, 350.0f},
      {"04/17/2022: month first", slashLog({"04/17/2022,10:00:00", "04/17/2022,10:00:01"}), {2, 3, 1, "F-ABCD", "", 20220417},
       ChannelKind::Cht, Engine::Only, 1, 350.0f},
      {"12/5/2022 beside 13/5/2022: day first", slashLog({"12/5/2022,23:59:59", "13/5/2022,00:00:00"}),
       {2, 3, 1, "F-ABCD", "", 20220512}, ChannelKind::Cht, Engine::Only, 1, 350.0f},
      {"G3X: long titles and aliases", log(g3xUnits, g3xTitles, g3xRows, false, g3xInfo), {2, 6, 1, "RV-10", ""},
       ChannelKind::Map, Engine::Only, 0, 22.1f},
      {"G3X: CHT in 5 degree steps", log(g3xUnits, g3xTitles, g3xRows, false, g3xInfo), {2, 6, 1, "RV-10", ""},
       ChannelKind::Cht, Engine::Only, 1, 350.0f},
      {"single engine", log(kSingleUnits, kSingleTitles, single), {3, 13, 2, "N123AB", "E1 %Pwr is written as a fraction"},
       ChannelKind::Cht, Engine::Only, 2, 380.5f},
      {"power as a percentage", log(kSingleUnits, kSingleTitles, percent), {3, 13, 2, "N123AB", ""},
       ChannelKind::PowerPercent, Engine::Only, 0, 102.0f},
      {"power as a fraction", log(kSingleUnits, kSingleTitles, single), {3, 13, 2, "N123AB", ""},
       ChannelKind::PowerPercent, Engine::Only, 0, 102.0f},
      {"a 12,000 degree CHT", log(kSingleUnits, kSingleTitles, hot), {3, 13, 2, "N123AB", "of E1 CHT1 outside"},
       ChannelKind::Cht, Engine::Only, 1, 350.0f},
      {"the last line cut", log(kSingleUnits, kSingleTitles, cut, true), {3, 13, 2, "N123AB", "is incomplete"},
       ChannelKind::Altitude, Engine::Only, 0, 320.0f},
      {"twin: E2 is the right engine", log(twinUnits, twinTitles, twinRows), {2, 6, 1, "", ""},
       ChannelKind::Cht, Engine::Right, 1, 375.0f},
      {"twin: E1 is the left engine", log(twinUnits, twinTitles, twinRows), {2, 6, 1, "", ""},
       ChannelKind::Rpm, Engine::Left, 0, 2400.0f},
      {"saved by a spreadsheet, over midnight",
       log("#yyy-mm-dd,hh:mm:ss,hh:mm,gph,deg F,rpm", "Lcl Date,Lcl Time,UTCOfst,E1 FFlow,E1 CHT1,E1 RPM", sheetRows,
           false, sheetInfo),
       {2, 3, 2, "F-ABCD", ""}, ChannelKind::Cht, Engine::Only, 1, 360.0f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(flight::FlightFormatOf(c.text), "avionics");
    const FlightRead read = flight::OpenFlightText(c.text);
    ASSERT_TRUE(read.ok()) << read.problem;
    const Flight& f = read.value;
    EXPECT_EQ(f.rows(), c.expect.rows);
    EXPECT_EQ(static_cast<int>(f.channels.size()), c.expect.channels);
    ASSERT_GT(f.rows(), 0u);
    EXPECT_EQ(f.seconds.back(), c.expect.lastSecond);
    if (!c.expect.aircraft.empty()) {
      EXPECT_EQ(f.facts.aircraft, c.expect.aircraft);
    }
    if (!c.expect.note.empty()) {
      EXPECT_TRUE(hasNote(f, c.expect.note)) << ::testing::PrintToString(f.notes);
    } else {
      EXPECT_FALSE(hasNote(f, "taken as month/day")) << ::testing::PrintToString(f.notes);
    }
    if (c.expect.date != 0) {
      EXPECT_EQ(f.facts.year * 10000 + f.facts.month * 100 + f.facts.day, c.expect.date);
    }
    for (const flight::Channel& ch : f.channels) EXPECT_NE(ch.name.find_first_not_of("0123456789.- "), std::string::npos);
    EXPECT_FLOAT_EQ(maxOf(f, c.kind, c.engine, c.cylinder), c.max);
    // The phases are found from an engine that recorded RPM.
    EXPECT_GE(flight::FindChannel(f.channels, ChannelKind::Rpm, analysis::PhaseEngine(f)), 0);
  }
}

TEST(AvionicsReader, KeepsTheFactsOfTheLog) {
  const std::string units = "#yyy-mm-dd, hh:mm:ss, hh:mm, gph, deg C, rpm";
  const std::string titles = "Lcl Date, Lcl Time, UTCOfst, E1 FFlow, E1 CHT1, E1 RPM";
  const FlightRead read = flight::OpenFlightText(
      log(units, titles, {"2023-01-02, 10:11:12, +01:00, 20, 150, 2400", "2023-01-02, 10:11:13, +01:00, 20, 151, 2400"}));
  ASSERT_TRUE(read.ok()) << read.problem;
  const flight::FlightFacts& f = read.value.facts;
  EXPECT_EQ(f.aircraft, "N123AB");
  EXPECT_NE(f.identification.find("Cirrus SR22"), std::string::npos);
  EXPECT_NE(f.identification.find("ABC123"), std::string::npos);
  EXPECT_NE(f.identification.find("9.10"), std::string::npos);
  EXPECT_EQ(f.year, 2023);
  EXPECT_EQ(f.month, 1);
  EXPECT_EQ(f.day, 2);
  EXPECT_EQ(f.hours * 3600 + f.minutes * 60 + f.seconds, 10 * 3600 + 11 * 60 + 12);
  EXPECT_EQ(f.utcOffset, "+01:00");
  EXPECT_EQ(f.interval, 1);
  EXPECT_EQ(f.engineUnit, 'C');
  EXPECT_EQ(f.fuelUnit, "GPH");
  EXPECT_EQ(f.flightNumber, 0);
  // Whole once written: the catalog must not wait for a duration line.
  EXPECT_DOUBLE_EQ(f.durationHours, 1 / 3600.0);
}

// The door: the first bytes pick the reader; a copy of a log is one flight
// by its value hash, whatever its header says.
TEST(AvionicsReader, TheDoorPicksTheReaderAndHashesTheValueLines) {
  const std::string units = "#yyy-mm-dd, hh:mm:ss, hh:mm, gph";
  const std::string titles = "Lcl Date, Lcl Time, UTCOfst, E1 FFlow";
  const std::vector<std::string> rows = {"2023-01-02, 10:11:12, +01:00, 20", "2023-01-02, 10:11:13, +01:00, 21"};
  const std::string a = log(units, titles, rows);
  const std::string renamed = log(units, titles, rows, false, "#airframe_info, airframe_name=\"Other\",\n");
  const std::string other = log(units, titles, {rows[0]});
  struct Case {
    const char* name;
    std::string text;
    std::string_view format;
  };
  const Case cases[] = {
      {"a log", a, "avionics"},
      {"a log with a byte order mark", "\xEF\xBB\xBF" + a, "avionics"},
      {"a log re-saved with a quoted first cell", "\"#airframe_info\",x=1\n", "avionics"},
      {"a native flight file", "\"Flight data\"\n\"Model 830\"\n", "native"},
      {"anything else goes to the native reader", "hello\n", "native"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(flight::FlightFormatOf(c.text), c.format);
  }
  EXPECT_EQ(flight::HashFlightText(a), flight::HashFlightText(renamed));
  EXPECT_NE(flight::HashFlightText(a), flight::HashFlightText(other));
  EXPECT_EQ(flight::OpenFlightText("hello\n").problem.rfind("line 1: ", 0), 0u);
}

TEST(AvionicsReader, NamesTheLineOfADamagedLog) {
  const std::string units = "#yyy-mm-dd, hh:mm:ss, hh:mm, gph";
  const std::string titles = "Lcl Date, Lcl Time, UTCOfst, E1 FFlow";
  struct Case {
    const char* name;
    std::string text;
    int line;
  };
  const Case cases[] = {
      {"a row with too few values", log(units, titles, {"2023-01-02, 10:11:12, +01:00, 20", "2023-01-02, 10:11:13"}), 5},
      {"a date that is none", log(units, titles, {"2023-13-45, 10:11:12, +01:00, 20"}), 4},
      {"no units line", std::string(kInfo) + titles + "\n", 2},
      {"February the 31st", log(units, titles, {"2022-02-28, 10:11:12, +01:00, 20", "2022-02-31, 10:11:13, +01:00, 20"}), 5},
      {"a/b/yyyy dates that neither order reads",
       log(units, titles, {"13/01/2022, 10:11:12, +01:00, 20", "01/13/2022, 10:11:13, +01:00, 20"}), 5},
      {"an offset that is none", log(units, titles, {"2023-01-02, 10:11:12, +25:00, 20"}), 4},
      {"two columns of one title", log("#yyy-mm-dd, hh:mm:ss, hh:mm, deg F, deg F", "Lcl Date, Lcl Time, UTCOfst, E1 CHT1, E1 CHT1",
                                       {"2023-01-02, 10:11:12, +01:00, 350, 360"}), 3},
      {"the titles and no row", log(units, titles, {}), 3},
      {"no row with a time", log(units, titles, {"2023-01-02,         , +01:00, 20"}), 4},
      {"no date", log(units, titles, {"          , 10:11:12, +01:00, 20", "          , 10:11:13, +01:00, 20"}), 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FlightRead read = flight::OpenFlightText(c.text);
    EXPECT_FALSE(read.ok());
    EXPECT_EQ(read.line, c.line) << read.problem;
    EXPECT_EQ(read.problem.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << read.problem;
  }
}

// The time axis follows UTC where the log says its offset, and a step
// forward past a gap (at 1 s rows, more than two minutes) is not counted:
// neither time nor fuel is made up across it, a note names its line. The
// interval is the rows' typical step. Every log burns 12 gph.
TEST(AvionicsReader, NeverInventsTime) {
  struct When {
    std::string date;
    long clock;  // seconds after midnight, local
    std::string offset;
  };
  auto timed = [](std::size_t rows, const std::function<When(std::size_t)>& when) {
    std::vector<std::string> lines;
    for (std::size_t r = 0; r < rows; ++r) {
      const When w = when(r);
      char clock[16];
      std::snprintf(clock, sizeof clock, "%02ld:%02ld:%02ld", w.clock / 3600 % 24, w.clock / 60 % 60, w.clock % 60);
      lines.push_back(w.date + ", " + clock + ", " + w.offset + ", 12.0");
    }
    return log("#yyy-mm-dd, hh:mm:ss, hh:mm, gph", "Lcl Date, Lcl Time, UTCOfst, E1 FFlow", lines);
  };
  const long ten = 10 * 3600;
  auto halves = [&](const std::string& later, long laterShift, const std::string& laterOffset) {
    return timed(1200, [=](std::size_t r) {
      const bool second = r >= 600;
      return When{second ? later : "2022-04-17", ten + static_cast<long>(r) + (second ? laterShift : 0),
                  second ? laterOffset : "+01:00"};
    });
  };
  struct Case {
    const char* name;
    std::string text;
    double seconds;  // the last row's, the duration
    int interval;
    int gapLine;     // the line a gap note names; 0 for none
  };
  const Case cases[] = {
      {"1 s rows", halves("2022-04-17", 0, "+01:00"), 1199, 1, 0},
      {"the second half a day later", halves("2022-04-18", 0, "+01:00"), 1199, 1, 604},
      {"the second half on 9999-12-31", halves("9999-12-31", 0, "+01:00"), 1199, 1, 604},
      {"summer time: the clock an hour on, UTCOfst +01:00 to +02:00", halves("2022-04-17", 3600, "+02:00"), 1199, 1, 0},
      {"the clock an hour on, the offset as it was", halves("2022-04-17", 3600, "+01:00"), 1199, 1, 604},
      {"two minutes without rows", halves("2022-04-17", 119, "+01:00"), 1199 + 119, 1, 0},
      {"ten minutes without rows", halves("2022-04-17", 600, "+01:00"), 1199, 1, 604},
      {"rows 61 s apart", timed(100, [&](std::size_t r) { return When{"2022-04-17", ten + 61 * static_cast<long>(r), "+01:00"}; }),
       99 * 61, 61, 0},
      {"rows an hour apart", timed(10, [&](std::size_t r) { return When{"2022-04-17", 3600 * static_cast<long>(r), "+01:00"}; }),
       9 * 3600, 3600, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FlightRead read = flight::OpenFlightText(c.text);
    ASSERT_TRUE(read.ok()) << read.problem;
    const Flight& f = read.value;
    EXPECT_EQ(f.seconds.back(), c.seconds);
    EXPECT_DOUBLE_EQ(f.facts.durationHours, c.seconds / 3600);
    EXPECT_EQ(f.facts.interval, c.interval);
    EXPECT_EQ(f.facts.year * 10000 + f.facts.month * 100 + f.facts.day, 20220417);
    const analysis::FlightSummary summary = analysis::SummarizeFlight(f);
    ASSERT_EQ(summary.fuel.size(), 1u);
    EXPECT_NEAR(summary.fuel[0].amount, 12 * c.seconds / 3600, 1e-6);
    EXPECT_EQ(hasNote(f, "the clock jumps"), c.gapLine > 0) << ::testing::PrintToString(f.notes);
    if (c.gapLine > 0) {
      EXPECT_TRUE(hasNote(f, "line " + std::to_string(c.gapLine) + ": the clock jumps")) << ::testing::PrintToString(f.notes);
    }
  }
}

// The real log in tests/data/avionics. The figures are an independent
// reading of the file (its value lines 4 to 2844; line 2845 is cut):
//   awk -F, 'NR>3 && NR<2845 && $2 ~ /[0-9]/ {n++; for(c=25;c<=42;c++) if($c ~ /[0-9]/){
//     if(!(c in hi)||$c+0>hi[c])hi[c]=$c+0; if(!(c in lo)||$c+0<lo[c])lo[c]=$c+0}}
//     END{print n; for(c in hi) print c, lo[c], hi[c]}' log_220417_125002_LFQA.csv
// (columns 25-29: FFlow, OilT, OilP, MAP, RPM; 31-36 CHT1-6, 37-42 EGT1-6).
// The clock runs 12:48:47 to 13:36:01 and steps back 3 s once (line 24), so
// the 2839 rows of 1 s span 2838 s.
TEST(AvionicsReader, ReadsTheRealLog) {
  std::uint64_t hash = 0;
  const FlightRead read =
      flight::OpenFlight(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_220417_125002_LFQA.csv", {}, &hash);
  ASSERT_TRUE(read.ok()) << read.problem;
  const Flight& f = read.value;
  EXPECT_NE(hash, 0u);
  EXPECT_EQ(f.rows(), 2839u);
  EXPECT_EQ(f.seconds.back(), 2838.0);
  EXPECT_EQ(f.facts.interval, 1);
  EXPECT_EQ(f.facts.year, 2022);
  EXPECT_TRUE(hasNote(f, "The last line (2845) is incomplete"));
  struct Figure {
    ChannelKind kind;
    int cylinder;
    float max;
  };
  const Figure figures[] = {
      {ChannelKind::Cht, 5, 367.49f},        {ChannelKind::Cht, 3, 363.7f},   {ChannelKind::Egt, 2, 1565.82f},
      {ChannelKind::Egt, 6, 1508.47f},       {ChannelKind::OilTemperature, 0, 186.33f},
      {ChannelKind::OilPressure, 0, 61.47f}, {ChannelKind::FuelFlow, 0, 38.13f},
      {ChannelKind::Map, 0, 36.48f},         {ChannelKind::Rpm, 0, 2490.7f},
  };
  for (const Figure& g : figures) {
    SCOPED_TRACE(static_cast<int>(g.kind) * 10 + g.cylinder);
    EXPECT_FLOAT_EQ(maxOf(f, g.kind, Engine::Only, g.cylinder), g.max);
  }
  // No CHT of any cylinder is hotter than the fifth's.
  for (int cyl = 1; cyl <= 6; ++cyl) EXPECT_LE(maxOf(f, ChannelKind::Cht, Engine::Only, cyl), 367.49f);
  const int map = flight::FindChannel(f.channels, ChannelKind::Map);
  ASSERT_GE(map, 0);
  float least = 1e9f;
  for (float v : f.column(static_cast<std::size_t>(map)))
    if (!std::isnan(v)) least = std::min(least, v);
  EXPECT_FLOAT_EQ(least, 8.81f);

  // Its chart: the engine panels, and the flight's own beside them.
  std::vector<std::string> keys;
  for (const frontend::PanelPlan& p : frontend::PlanPanels(f)) keys.push_back(p.key);
  EXPECT_EQ(keys, (std::vector<std::string>{"EGT", "CHT", "TEMP", "FUEL", "POWER", "ELEC", "FLIGHT", "VS"}));
}

}  // namespace
}  // namespace varnix::test
