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

  // A G3X Touch: no units line; long titles with their units on line 2, the
  // short keys on line 3, those of the date, the time and the oil
  // temperature left empty (their titles name them).
  const std::string touchInfo =
      "#airframe_info,log_version=\"1.00\",product=\"GDU 460\",aircraft_ident=\"N662EZ\",software_version=\"9.52\","
      "system_id=\"60002CA61BD97\",unit=\"MFD1\",airframe_hours=\"125.1\",engine_hours=\"127.9\"\n";
  const std::string touchTitles =
      "Date (yyyy-mm-dd),Time (hh:mm:ss),UTC Time (hh:mm:ss),UTC Offset (hh:mm),Oil Temp (deg F),CHT1 (deg F),"
      "EGT1 (deg F),Fuel Flow (gal/hour),Manifold Press (inch Hg),RPM,Engine Power (%),Latitude (deg),GPS Sats";
  const std::string touchKeys = ",,UTC Time,UTCOfst,,E1 CHT1,E1 EGT1,E1 FFlow,E1 MAP,E1 RPM,E1 %Pwr,Latitude,";
  const std::vector<std::string> touchRows = {
      "2026-03-27,15:34:22,22:34:22,-07:00,120,300,1250,8.1,20.5,1820,45,+37.7303838,10",
      "2026-03-27,15:34:23,22:34:23,-07:00,125,305,1260,8.0,20.6,1500,44,+37.7303840,10",
  };
  const std::string touchLog = log(touchTitles, touchKeys, touchRows, false, touchInfo);  // lines 2 and 3

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
      {"G3X Touch: a kind from the long title where the key is empty", touchLog, {2, 9, 1, "N662EZ", "", 20260327},
       ChannelKind::OilTemperature, Engine::Only, 0, 125.0f},
      {"G3X Touch: RPM from its key, under a title without a unit", touchLog, {2, 9, 1, "N662EZ", "", 20260327},
       ChannelKind::Rpm, Engine::Only, 0, 1820.0f},
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
  const std::string row = "2023-01-02, 10:11:12, +01:00, 20";
  // The G3X Touch's layout: long titles on line 2, short keys on line 3.
  const std::string touchTitles = "Date (yyyy-mm-dd),Time (hh:mm:ss),UTC Offset (hh:mm),Fuel Flow (gal/hour),CHT1 (deg F)\n";
  const std::string touchKeys = "Lcl Date,Lcl Time,UTCOfst,E1 FFlow,E1 CHT1\n";
  const std::string touchRow = "2026-03-27,15:28:21,-07:00,0.0,77\n";
  const std::string touch = kInfo + touchTitles + touchKeys;
  std::string realHead;  // the real G3X Touch log's header: its line ends are bytes 249, 2430 and 2985
  {
    std::FILE* file = std::fopen(VARNIX_SOURCE_DIR "/tests/data/avionics/log_20260327_152821_KOAK.csv", "rb");
    ASSERT_NE(file, nullptr);
    realHead.resize(4096);
    realHead.resize(std::fread(realHead.data(), 1, realHead.size(), file));
    std::fclose(file);
  }
  const std::size_t titlesEnd = realHead.find('\n', realHead.find('\n') + 1);
  ASSERT_EQ(titlesEnd, 2430u);
  struct Case {
    const char* name;
    std::string text;
    int line;
    std::string problem;  // what the problem says after "line N: "
  };
  const Case cases[] = {
      {"a row with too few values", log(units, titles, {row, "2023-01-02, 10:11:13"}), 5,
       "the line has 2 values, the titles name 4"},
      {"a date that is none", log(units, titles, {"2023-13-45, 10:11:12, +01:00, 20"}), 4,
       "the date \"2023-13-45\" is not a date"},
      {"the titles, no units line before them and nothing after", std::string(kInfo) + titles + "\n", 3,
       "the file ends inside its header"},
      {"the titles and a row, no units line before them", std::string(kInfo) + titles + "\n" + row + "\n", 3,
       "not an avionics log: expected the units line starting with \"#\" on line 2, or the short column keys below "
       "the titles of line 2"},
      {"February the 31st", log(units, titles, {"2022-02-28, 10:11:12, +01:00, 20", "2022-02-31, 10:11:13, +01:00, 20"}), 5,
       "the date \"2022-02-31\" is not a date"},
      {"a/b/yyyy dates that neither order reads",
       log(units, titles, {"13/01/2022, 10:11:12, +01:00, 20", "01/13/2022, 10:11:13, +01:00, 20"}), 5,
       "the date \"01/13/2022\" is not a date in the order of day and month of the dates before it"},
      {"an offset that is none", log(units, titles, {"2023-01-02, 10:11:12, +25:00, 20"}), 4,
       "the UTC offset \"+25:00\" is not an offset such as +02:00"},
      {"two columns of one title", log("#yyy-mm-dd, hh:mm:ss, hh:mm, deg F, deg F", "Lcl Date, Lcl Time, UTCOfst, E1 CHT1, E1 CHT1",
                                       {"2023-01-02, 10:11:12, +01:00, 350, 360"}), 3,
       "the column title \"E1 CHT1\" is there twice"},
      {"the titles and no row", log(units, titles, {}), 3, "the column titles are followed by no row"},
      {"no row with a time", log(units, titles, {"2023-01-02,         , +01:00, 20"}), 4,
       "no row of the log has a time of day (\"Lcl Time\")"},
      {"no date", log(units, titles, {"          , 10:11:12, +01:00, 20", "          , 10:11:13, +01:00, 20"}), 4,
       "no row of the log has a date (\"Lcl Date\"): the day of the flight is not known"},
      {"G3X Touch: the first line alone", std::string(kInfo), 2, "the file ends inside its header"},
      {"G3X Touch: the real log cut inside its titles", realHead.substr(0, 2000), 2, "the file ends inside its header"},
      {"G3X Touch: the real log cut after its titles", realHead.substr(0, titlesEnd + 1), 3, "the file ends inside its header"},
      {"G3X Touch: the real log cut inside its keys", realHead.substr(0, titlesEnd + 300), 3, "the file ends inside its header"},
      {"G3X Touch: the keys left out", kInfo + touchTitles + touchRow, 3,
       "not an avionics log: expected the units line starting with \"#\" on line 2, or the short column keys below "
       "the titles of line 2"},
      {"G3X Touch: the keys and no row", touch, 3, "the column titles are followed by no row"},
      {"G3X Touch: no time of day among the titles or the keys",
       std::string(kInfo) + "Date (yyyy-mm-dd),Fuel Flow (gal/hour)\nLcl Date,E1 FFlow\n2026-03-27,0.0\n", 2,
       "not an avionics log: no \"Lcl Time\" column"},
      {"G3X Touch: one key twice", kInfo + touchTitles + "Lcl Date,Lcl Time,UTCOfst,E1 CHT1,E1 CHT1\n" + touchRow, 3,
       "the column title \"E1 CHT1\" is there twice"},
      {"G3X Touch: a hand-edited row with a value too few", touch + touchRow + "2026-03-27,15:28:22,-07:00,0.0\n", 5,
       "the line has 4 values, the titles name 5"},
      {"G3X Touch: a hand-edited time", touch + touchRow + "2026-03-27,15:61:00,-07:00,0.0,77\n", 5,
       "the time \"15:61:00\" is not a time of day"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const FlightRead read = flight::OpenFlightText(c.text);
    EXPECT_FALSE(read.ok());
    EXPECT_EQ(read.line, c.line) << read.problem;
    EXPECT_EQ(read.problem, "line " + std::to_string(c.line) + ": " + c.problem);
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

// The real logs in tests/data/avionics, a row each. The figures are an
// independent reading of each file's value lines:
//   awk -F, 'NR>3 && $2 ~ /[0-9]/ {n++; for(c=1;c<=NF;c++) if($c ~ /^ *[-+]?[0-9.]+ *$/){
//     if(!(c in hi)||$c+0>hi[c])hi[c]=$c+0; if(!(c in lo)||$c+0<lo[c])lo[c]=$c+0}}
//     END{print n; for(c in hi) print c, lo[c], hi[c]}' LOG
// and the kinds are its columns that hold a number, by their short titles,
// in the units that line 2 (LFQA) or the long titles (KOAK) write.
// LFQA (G1000): lines 4 to 2844 (line 2845 is cut); the clock runs 12:48:47
// to 13:36:01 and steps back 3 s once (line 24), so the 2839 rows of 1 s
// span 2838 s. KOAK (G3X Touch, no units line): lines 4 to 1060, 1057 rows
// from 15:28:21 to 15:45:58, 1 s apart but once 2 s, so 1057 s; six
// cylinders, no volts; COM1 holds 138 words ("118.300 RX").
TEST(AvionicsReader, ReadsTheRealLogs) {
  using flight::Unit;
  struct Figure {
    ChannelKind kind;
    int cylinder;
    float max;
  };
  struct Kind {
    ChannelKind kind;
    int channels;
    Unit unit;
  };
  struct Case {
    const char* file;
    std::size_t rows;
    double lastSecond;
    int firstClock;  // the first row's time of day, h * 10000 + min * 100 + s
    int date;        // yyyymmdd
    std::string aircraft;
    std::string note;
    int hottestCht;  // the cylinder no other CHT is hotter than
    std::vector<Kind> kinds;
    std::vector<Figure> figures;
    float leastMap;
    std::vector<std::string> panels;
  };
  const Case cases[] = {
      {"log_220417_125002_LFQA.csv", 2839, 2838, 124847, 20220417, "Cirrus SR22 Turbo",
       "The last line (2845) is incomplete", 5,
       {{ChannelKind::Egt, 6, Unit::DegreesF}, {ChannelKind::Cht, 6, Unit::DegreesF}, {ChannelKind::Tit, 2, Unit::DegreesF},
        {ChannelKind::OilTemperature, 1, Unit::DegreesF}, {ChannelKind::OilPressure, 1, Unit::Psi},
        {ChannelKind::FuelFlow, 1, Unit::GallonsPerHour}, {ChannelKind::FuelPressure, 0, Unit::None},
        {ChannelKind::FuelLevel, 2, Unit::Gallons}, {ChannelKind::Map, 1, Unit::InchesHg}, {ChannelKind::Rpm, 1, Unit::Rpm},
        {ChannelKind::PowerPercent, 1, Unit::Percent}, {ChannelKind::Oat, 1, Unit::DegreesC},
        {ChannelKind::Altitude, 3, Unit::Feet}, {ChannelKind::Airspeed, 2, Unit::Knots},
        {ChannelKind::GroundSpeed, 1, Unit::Knots}, {ChannelKind::VerticalSpeed, 1, Unit::FeetPerMinute},
        {ChannelKind::Latitude, 1, Unit::Degrees}, {ChannelKind::Longitude, 1, Unit::Degrees},
        {ChannelKind::Battery, 2, Unit::Volts}, {ChannelKind::Amps, 1, Unit::Amps}},
       {{ChannelKind::Cht, 5, 367.49f}, {ChannelKind::Cht, 3, 363.7f}, {ChannelKind::Egt, 2, 1565.82f},
        {ChannelKind::Egt, 6, 1508.47f}, {ChannelKind::OilTemperature, 0, 186.33f}, {ChannelKind::OilPressure, 0, 61.47f},
        {ChannelKind::FuelFlow, 0, 38.13f}, {ChannelKind::Map, 0, 36.48f}, {ChannelKind::Rpm, 0, 2490.7f}},
       8.81f, {"EGT", "CHT", "TEMP", "FUEL", "POWER", "ELEC", "FLIGHT", "VS"}},
      {"log_20260327_152821_KOAK.csv", 1057, 1057, 152821, 20260327, "N662EZ",
       "138 values of COM1 are not numbers", 3,
       {{ChannelKind::Egt, 6, Unit::DegreesF}, {ChannelKind::Cht, 6, Unit::DegreesF}, {ChannelKind::Tit, 0, Unit::None},
        {ChannelKind::OilTemperature, 1, Unit::DegreesF}, {ChannelKind::OilPressure, 1, Unit::Psi},
        {ChannelKind::FuelFlow, 1, Unit::GallonsPerHour}, {ChannelKind::FuelPressure, 1, Unit::Psi},
        {ChannelKind::FuelLevel, 2, Unit::Gallons}, {ChannelKind::Map, 1, Unit::InchesHg}, {ChannelKind::Rpm, 1, Unit::Rpm},
        {ChannelKind::PowerPercent, 1, Unit::Percent}, {ChannelKind::Oat, 1, Unit::DegreesC},
        {ChannelKind::Altitude, 2, Unit::Feet}, {ChannelKind::Airspeed, 2, Unit::Knots},
        {ChannelKind::GroundSpeed, 1, Unit::Knots}, {ChannelKind::VerticalSpeed, 1, Unit::FeetPerMinute},
        {ChannelKind::Latitude, 1, Unit::Degrees}, {ChannelKind::Longitude, 1, Unit::Degrees},
        {ChannelKind::Battery, 0, Unit::None}, {ChannelKind::Amps, 0, Unit::None}},
       {{ChannelKind::Cht, 3, 397.0f}, {ChannelKind::Cht, 4, 377.0f}, {ChannelKind::Egt, 2, 1390.0f},
        {ChannelKind::Egt, 3, 1325.0f}, {ChannelKind::OilTemperature, 0, 180.0f}, {ChannelKind::OilPressure, 0, 102.0f},
        {ChannelKind::FuelFlow, 0, 23.4f}, {ChannelKind::Map, 0, 29.7f}, {ChannelKind::Rpm, 0, 2710.0f},
        {ChannelKind::PowerPercent, 0, 95.0f}, {ChannelKind::Oat, 0, 28.5f}},
       7.8f, {"EGT", "CHT", "TEMP", "FUEL", "POWER", "FLIGHT", "VS"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    std::uint64_t hash = 0;
    const FlightRead read = flight::OpenFlight(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/" + c.file, {}, &hash);
    ASSERT_TRUE(read.ok()) << read.problem;
    const Flight& f = read.value;
    EXPECT_NE(hash, 0u);
    EXPECT_EQ(f.rows(), c.rows);
    EXPECT_EQ(f.seconds.back(), c.lastSecond);
    EXPECT_EQ(f.facts.interval, 1);
    EXPECT_EQ(f.facts.hours * 10000 + f.facts.minutes * 100 + f.facts.seconds, c.firstClock);
    EXPECT_EQ(f.facts.year * 10000 + f.facts.month * 100 + f.facts.day, c.date);
    EXPECT_EQ(f.facts.aircraft, c.aircraft);
    EXPECT_TRUE(hasNote(f, c.note)) << ::testing::PrintToString(f.notes);
    for (const Kind& k : c.kinds) {
      SCOPED_TRACE(static_cast<int>(k.kind));
      int found = 0;
      for (const flight::Channel& ch : f.channels)
        if (ch.kind == k.kind) {
          ++found;
          EXPECT_EQ(ch.unit, k.unit) << ch.name;
          EXPECT_EQ(ch.engine, Engine::Only) << ch.name;
        }
      EXPECT_EQ(found, k.channels);
    }
    // The cylinders are 1 to 6, each once.
    for (ChannelKind kind : {ChannelKind::Egt, ChannelKind::Cht})
      for (int cyl = 1; cyl <= 6; ++cyl) EXPECT_GE(flight::FindChannel(f.channels, kind, Engine::Only, cyl), 0) << cyl;
    for (const Figure& g : c.figures) {
      SCOPED_TRACE(static_cast<int>(g.kind) * 10 + g.cylinder);
      EXPECT_FLOAT_EQ(maxOf(f, g.kind, Engine::Only, g.cylinder), g.max);
    }
    const float hottest = maxOf(f, ChannelKind::Cht, Engine::Only, c.hottestCht);
    for (int cyl = 1; cyl <= 6; ++cyl) EXPECT_LE(maxOf(f, ChannelKind::Cht, Engine::Only, cyl), hottest);
    const int map = flight::FindChannel(f.channels, ChannelKind::Map);
    ASSERT_GE(map, 0);
    float least = 1e9f;
    for (float v : f.column(static_cast<std::size_t>(map)))
      if (!std::isnan(v)) least = std::min(least, v);
    EXPECT_FLOAT_EQ(least, c.leastMap);

    // Its chart: the engine panels, and the flight's own beside them.
    std::vector<std::string> keys;
    for (const frontend::PanelPlan& p : frontend::PlanPanels(f)) keys.push_back(p.key);
    EXPECT_EQ(keys, c.panels);
  }
}

}  // namespace
}  // namespace varnix::test
