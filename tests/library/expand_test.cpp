// SPDX-License-Identifier: GPL-3.0-or-later
// Whole dumps expanded into the flight index and flight CSV files.
#include <gtest/gtest.h>

#include <cstdio>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#include "library/expand_test_support.h"

namespace varnix {
namespace {

using test::DumpPlan;
using test::ExpandFixture;
using test::flight;
using test::RecordBuilder;

constexpr std::uint32_t kE1toE4F = (1u << 2) | (1u << 3) | (1u << 4) | (1u << 5) | (1u << 28);

std::string today() {
  const platform::LocalDate d = platform::localDate();
  char text[32];
  std::snprintf(text, sizeof text, "\"Varnix     %02d/%02d/%02d\"", d.month, d.day, d.year % 100);
  return text;
}

// The three records of the first worked example.
std::vector<RecordBuilder> exampleRecords() {
  return {RecordBuilder().set(0, 0, 0x56).set(6, 0, 0x04), RecordBuilder(2).set(0, 0, 0x1E, true),
          RecordBuilder().set(0, 1, 0x00)};
}

TEST(ExpandDataFile, WorkedExampleByteForByte) {
  ExpandFixture fx;
  DumpPlan plan;
  plan.flights = {flight(23, kE1toE4F, exampleRecords())};
  ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
  EXPECT_EQ(fx.csv("F00023.CSV"),
            today() + "\r\n"
                      "\"Model 830 Firmware 288\"\r\n"
                      "\"Aircraft Number N123AB\"\r\n"
                      "\"Flight #23 7/14/3 10:30:0\"\r\n"
                      "\"Eng Deg F     OAT Deg F \"\r\n"
                      "\"Duration  0.01Hours   Interval 6 seconds    \"\r\n"
                      "\"TIME\",\"E1\",\"E2\",\"E3\",\"E4\",\"DIF\",\"CLD\",\"MARK\",\r\n"
                      "\"10:30:0\",1350,240,240,240,1110,240,\"S\"\r\n"
                      "\"10:30:6\",1350,240,240,240,1110,240,\"S\"\r\n"
                      "\"10:30:12\",1350,240,240,240,1110,240,\"S\"\r\n"
                      "\"10:30:18\",1320,240,240,240,1080,240,\"S\"\r\n"
                      "\"10:30:24\",1320,\"NA\",240,240,1080,240,\"S\"\r\n");
  EXPECT_EQ(fx.index(), std::vector<std::string>{"Flt#23- F00023.CSV  0.01 Hours Interval 6 sec 7/14/3 10:30:0"});
}

TEST(ExpandDataFile, DurationsOfTheIndexAndLineSix) {
  ExpandFixture fx;
  DumpPlan plan;
  // 601 value lines: 256 + 256 + 88 + 1.
  plan.flights = {flight(23, kE1toE4F, {RecordBuilder(255), RecordBuilder(255), RecordBuilder(87), RecordBuilder()}),
                  // 751 value lines
                  flight(24, kE1toE4F, {RecordBuilder(255), RecordBuilder(255), RecordBuilder(237), RecordBuilder()}),
                  // a single value line
                  flight(25, kE1toE4F, {RecordBuilder()})};
  ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
  const auto index = fx.index();
  ASSERT_EQ(index.size(), 3u);
  EXPECT_EQ(index[0], "Flt#23- F00023.CSV  1.00 Hours Interval 6 sec 7/14/3 10:30:0");
  EXPECT_EQ(index[1].substr(0, 31), "Flt#24- F00024.CSV  1.25 Hours ");
  EXPECT_EQ(index[2].substr(0, 31), "Flt#25- F00025.CSV  0.00 Hours ");
  EXPECT_EQ(test::crlfLines(fx.csv("F00024.CSV"))[5], "\"Duration  1.25Hours   Interval 6 seconds    \"");
  EXPECT_EQ(test::crlfLines(fx.csv("F00024.CSV")).size(), 7u + 751u);
  EXPECT_EQ(test::crlfLines(fx.csv("F00025.CSV"))[5], "\"Duration  0.00Hours   Interval 6 seconds    \"");
}

TEST(ExpandDataFile, RepeatsRunTheClockAndStopPastTheLineLimit) {
  ExpandFixture fx;
  DumpPlan plan;
  plan.flights = {flight(1, 1u << 2, {RecordBuilder(3).set(0, 0, 10)})};
  plan.flights[0].header.hours = 23;
  plan.flights[0].header.minutes = 59;
  plan.flights[0].header.seconds = 50;
  ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
  const auto lines = test::crlfLines(fx.csv("F00001.CSV"));
  ASSERT_EQ(lines.size(), 11u);
  EXPECT_EQ(lines[7], "\"23:59:50\",240,0,240,\"S\"");
  EXPECT_EQ(lines[8], "\"23:59:56\",240,0,240,\"S\"");
  EXPECT_EQ(lines[9], "\"0:0:2\",240,0,240,\"S\"");
  EXPECT_EQ(lines[10], "\"0:0:8\",250,0,240,\"S\"");

  // Past 65000 lines each record still gives its repeat line and its own.
  ExpandFixture big;
  std::vector<RecordBuilder> many(260, RecordBuilder(255));
  DumpPlan longFlight;
  longFlight.flights = {flight(2, 1u << 2, many)};
  ASSERT_EQ(big.expand(test::assembleDump(longFlight)), 0);
  // 253 records give 64768 lines; the 254th run stops at 65001 and adds its
  // own line; each of the 6 records after gives 2 lines.
  EXPECT_EQ(test::crlfLines(big.csv("F00002.CSV")).size(), 7u + 65002u + 12u);
}

TEST(ExpandDataFile, SecondExpansionGetsTheNextSuffix) {
  ExpandFixture fx;
  DumpPlan plan;
  plan.flights = {flight(23, kE1toE4F, exampleRecords())};
  const std::string dump = test::assembleDump(plan);
  ASSERT_EQ(fx.expand(dump), 0);
  ASSERT_EQ(fx.expand(dump), 0);
  EXPECT_EQ(test::crlfLines(fx.csv("F00023A.CSV"))[3], "\"Flight #23A 7/14/3 10:30:0\"");
  EXPECT_EQ(fx.index(), std::vector<std::string>{"Flt#23- F00023A.CSV  0.01 Hours Interval 6 sec 7/14/3 10:30:0"});
  EXPECT_EQ(fx.csv("F00023.CSV").size() + 1, fx.csv("F00023A.CSV").size()) << "the suffix on line 4";
}

TEST(ExpandDataFile, RecordedIntervalByModelAndFirmware) {
  struct Case {
    const char* model;
    const char* firmware;
    int interval;
  };
  for (const Case c : {Case{"760", "133", 2}, Case{"760", "132", 6}, Case{"830", "283", 2}, Case{"830", "282", 6},
                       Case{"900", "1", 2}, Case{"700", "500", 2}}) {
    ExpandFixture fx;
    DumpPlan plan;
    plan.model = c.model;
    plan.firmware = c.firmware;
    plan.flights = {flight(1, 1u << 2, {RecordBuilder(), RecordBuilder()})};
    plan.flights[0].header.interval = 2;
    ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
    const auto index = fx.index();
    ASSERT_EQ(index.size(), 1u);
    EXPECT_NE(index[0].find(" Interval " + std::to_string(c.interval) + " sec "), std::string::npos)
        << c.model << " " << c.firmware << ": " << index[0];
    EXPECT_EQ(test::crlfLines(fx.csv("F00001.CSV"))[1],
              std::string("\"Model ") + c.model + " Firmware " + c.firmware + "\"");
  }
}

TEST(ExpandDataFile, LayoutsAndUnitsInTheHeaderLines) {
  {  // Twin, fuel in litres per hour
    ExpandFixture fx;
    DumpPlan plan;
    plan.model = "760";
    plan.firmware = "200";
    auto f = flight(1, (1u << 2) | (1u << 27) | (1u << 26), {RecordBuilder().set(0, 0, 1).set(5, 7, 3)});
    f.header.fuelUnit = 1;
    f.header.option = 0;
    plan.flights = {f};
    ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
    const auto lines = test::crlfLines(fx.csv("F00001.CSV"));
    EXPECT_EQ(lines[4], "\"Eng Deg C     OAT Deg C     F/F LPH\"");
    EXPECT_EQ(lines[6], "\"TIME\",\"LE1\",\"LDIF\",\"LCLD\",\"LFF\",\"LUSD\",\"RE1\",\"RDIF\",\"RCLD\",\"RFF\","
                        "\"RUSD\",\"MARK\",");
    EXPECT_EQ(lines[7], "\"10:30:0\",241,0,240,240,240,240,0,240,243,240,\"S\"");
  }
  {  // "$P" wins over model 760
    ExpandFixture fx;
    DumpPlan plan;
    plan.model = "760";
    plan.extended = true;
    auto f = flight(1, (1u << 0) | (1u << 1) | (1u << 2), {RecordBuilder().set(8, 0, 5).set(2, 4, 10)});
    f.header.extendedPresence = 0xF;
    f.header.fuelUnit = 7;
    plan.flights = {f};
    ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
    const auto lines = test::crlfLines(fx.csv("F00001.CSV"));
    EXPECT_EQ(lines[6], "\"TIME\",\"E1\",\"DIF\",\"CLD\",\"BAT1\",\"AMPS\",\"BAT2\",\"AMPS2\",\"RFL\",\"LFL\",\"MARK\",");
    EXPECT_EQ(lines[7], "\"10:30:0\",240,0,240,25,245,24,240,24,24,\"S\"");
  }
}

TEST(ExpandDataFile, EmptyFlightsAndPadding) {
  ExpandFixture fx;
  DumpPlan plan;
  plan.flights = {flight(1, 1u << 2), flight(2, 1u << 2, {RecordBuilder().set(0, 0, 1)})};
  std::string dump = test::assembleDump(plan);
  // A third "$D" line with length 0 adds no flight.
  const std::string l = "$L,";
  dump.insert(dump.find(l), test::headerLine("D,3,0"));
  ASSERT_EQ(fx.expand(dump), 0);
  const auto index = fx.index();
  ASSERT_EQ(index.size(), 2u);
  EXPECT_EQ(index[0], "Flt#1- F00001.CSV  0.00 Hours Interval 6 sec 7/14/3 10:30:0");
  EXPECT_EQ(test::crlfLines(fx.csv("F00001.CSV")).size(), 7u);
  EXPECT_EQ(test::crlfLines(fx.csv("F00002.CSV")).size(), 8u);
}

TEST(ExpandDataFile, FlagMismatchEndsOnlyItsFlight) {
  ExpandFixture fx;
  DumpPlan plan;
  plan.flights = {flight(1, 1u << 2, {RecordBuilder()}),
                  flight(2, 1u << 2, {RecordBuilder(), RecordBuilder().mismatchFlags(), RecordBuilder()}),
                  flight(3, 1u << 2, {RecordBuilder(1)})};
  ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
  const auto index = fx.index();
  ASSERT_EQ(index.size(), 3u);
  EXPECT_EQ(index[1].substr(0, 24), "Flt#2- F00002.CSV  0.00 ");
  EXPECT_EQ(test::crlfLines(fx.csv("F00002.CSV")).size(), 8u);
  EXPECT_EQ(index[2].substr(0, 24), "Flt#3- F00003.CSV  0.00 ");
  EXPECT_EQ(test::crlfLines(fx.csv("F00003.CSV")).size(), 9u);
}

TEST(ExpandDataFile, ClosingLineIsFoundEitherWay) {
  for (bool fill : {true, false}) {
    ExpandFixture fx;
    DumpPlan plan;
    plan.fillLastBlock = fill;
    plan.flights = {flight(1, 1u << 2, {RecordBuilder().set(0, 0, 1)})};
    EXPECT_EQ(fx.expand(test::assembleDump(plan)), 0) << fill;
    plan.closingLine = false;
    EXPECT_EQ(fx.expand(test::assembleDump(plan)), 6) << fill;
    EXPECT_EQ(fx.index().size(), 1u) << "output stays complete";
  }
}

TEST(ExpandDataFile, HeaderWithEmptyLinesAndOtherLetters) {
  ExpandFixture fx;
  DumpPlan plan;
  plan.extraHeaderLines = "\n\n" + test::headerLine("Q,1,2") + "\r\n" + "\n";
  plan.flights = {flight(9, 1u << 2, {RecordBuilder().set(0, 0, 1)})};
  ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
  EXPECT_EQ(fx.index().size(), 1u);
}

TEST(ExpandDataFile, FlightNumbersAboveTheSignedRange) {
  ExpandFixture fx;
  DumpPlan plan;
  plan.flights = {flight(40000, 1u << 2, {RecordBuilder()})};
  ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
  EXPECT_EQ(fx.index()[0].substr(0, 25), "Flt#40000- F40000.CSV  0.");
  EXPECT_EQ(test::crlfLines(fx.csv("F40000.CSV"))[3], "\"Flight #40000 7/14/3 10:30:0\"");
}

TEST(ExpandDataFile, NothingCarriesOverFromTheLastDump) {
  ExpandFixture fx;
  DumpPlan plan;
  plan.flights = {flight(1, 1u << 2, {RecordBuilder()})};
  ASSERT_EQ(fx.expand(test::assembleDump(plan)), 0);
  // The same dump without its "$U" and "$C" lines.
  std::string dump = test::assembleDump(plan);
  for (const char* body : {"U,N123AB", "C,830,1,2,3,288"}) {
    const std::string line = test::headerLine(body);
    dump.erase(dump.find(line), line.size());
  }
  ASSERT_EQ(fx.expand(dump), 0);
  const auto lines = test::crlfLines(fx.csv("F00001.CSV", "BadData"));
  EXPECT_EQ(lines[1], "\"Model  Firmware \"");
  EXPECT_EQ(lines[2], "\"Aircraft Number \"");
}

#if !defined(_WIN32)
TEST(ExpandDataFile, IndexFileIsMode644WhateverTheUmask) {
  const mode_t old = ::umask(002);
  ExpandFixture fx;
  DumpPlan plan;
  plan.flights = {flight(1, 1u << 2, {RecordBuilder()})};
  const int code = fx.expand(test::assembleDump(plan));
  struct stat st {};
  const int statResult = ::stat(fx.dir.file("R030714.TXT").c_str(), &st);
  ::umask(old);
  ASSERT_EQ(code, 0);
  ASSERT_EQ(statResult, 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);
}
#endif

}  // namespace
}  // namespace varnix
