// SPDX-License-Identifier: GPL-3.0-or-later
// Result codes of the expansion, damaged dumps and hostile names.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <span>

#include "core/csv_writer.h"
#include "core/naming.h"
#include "library/expand_test_support.h"

namespace varnix {
namespace {

using test::DumpPlan;
using test::ExpandFixture;
using test::flight;
using test::RecordBuilder;

DumpPlan threeFlights() {
  DumpPlan plan;
  plan.flights = {flight(1, 1u << 2, {RecordBuilder().set(0, 0, 1), RecordBuilder(2).set(0, 0, 2)}),
                  flight(2, 1u << 2, {RecordBuilder().set(0, 0, 3)}),
                  flight(3, 1u << 2, {RecordBuilder(1).set(0, 0, 4), RecordBuilder()})};
  return plan;
}

TEST(ExpandResults, PathsAndFilesThatCannotBeUsed) {
  test::TempDir dir;
  HeaderState header{};
  const auto ExpandDataFile = [&header](const std::string& path, std::string_view arg) {
    return varnix::ExpandDataFile(path, arg, header);
  };
  const std::string arg = dir.folderArgument();
  EXPECT_EQ(ExpandDataFile(dir.path() + "/a.b/DUMP", arg), 1) << "the last '.' may belong to a folder";
  EXPECT_TRUE(platform::fileExists(dir.path() + "/a.TXTUMP"));

  EXPECT_EQ(ExpandDataFile("no-dot-here", arg), 8);
  EXPECT_EQ(ExpandDataFile(dir.file("missing.DAT"), arg), 1);
  EXPECT_EQ(test::readFile(dir.file("missing.TXT")), "");
  EXPECT_TRUE(platform::fileExists(dir.file("missing.TXT"))) << "the empty index stays";
  EXPECT_EQ(ExpandDataFile(dir.file("no-folder/R.DAT"), arg), 7);

  // A dump named *.TXT would be its own index: it is left as it is.
  const std::string dump = test::assembleDump(threeFlights());
  test::writeFile(dir.file("R.txt"), dump);
  EXPECT_EQ(ExpandDataFile(dir.file("R.txt"), arg), 7);
  EXPECT_EQ(test::readFile(dir.file("R.txt")), dump);
  EXPECT_EQ(IndexFilePath("C:\\d\\R1.D"), "C:\\d\\R1.TXT");
  EXPECT_EQ(IndexFilePath("R1.DATA"), "R1.TXTA");
}

TEST(ExpandResults, BadHeaders) {
  {
    ExpandFixture fx;
    std::string dump = test::assembleDump(threeFlights());
    dump[dump.find("*") + 1] ^= 1;  // check digits of the "$U" line
    EXPECT_EQ(fx.expand(dump), 2);
    EXPECT_TRUE(fx.index().empty());
  }
  for (int before : {281, 282}) {  // lines before "$L"
    ExpandFixture fx;
    DumpPlan plan = threeFlights();
    // $U $A $C $D $D $D $F $T are 8 lines; the rest are filler.
    for (int i = 0; i < before - 8; ++i) plan.extraHeaderLines += "x\r\n";
    const int code = fx.expand(test::assembleDump(plan));
    if (before == 281)
      EXPECT_EQ(code, 0) << "a \"$L\" line as the 282nd line is accepted";
    else
      EXPECT_EQ(code, 20);
  }
  {  // No "$L" line at all.
    ExpandFixture fx;
    EXPECT_EQ(fx.expand(test::headerLine("U,N1") + test::headerLine("D,1,10")), 2);
  }
}

TEST(ExpandResults, BadFlightHeaderAndBadRecords) {
  {
    ExpandFixture fx;
    DumpPlan plan = threeFlights();
    plan.flights[2].corruptHeader = true;
    EXPECT_EQ(fx.expand(test::assembleDump(plan)), 3);
    EXPECT_EQ(fx.index().size(), 2u);
  }
  {
    ExpandFixture fx;
    DumpPlan plan = threeFlights();
    plan.flights[0].records[1].badChecksum();
    EXPECT_EQ(fx.expand(test::assembleDump(plan)), 5);
    const auto index = fx.index();
    ASSERT_EQ(index.size(), 1u) << "the current flight's line, no later one";
    EXPECT_EQ(test::crlfLines(fx.csv("F00001.CSV")).size(), 8u) << "the bad record's lines are not written";
  }
  {  // A checksum error before the first value line: duration 0.00, not -0.00.
    ExpandFixture fx;
    DumpPlan plan = threeFlights();
    plan.flights[1].records[0].badChecksum();
    EXPECT_EQ(fx.expand(test::assembleDump(plan)), 5);
    const auto index = fx.index();
    ASSERT_EQ(index.size(), 2u);
    EXPECT_EQ(index[1], "Flt#2- F00002.CSV  0.00 Hours Interval 6 sec 7/14/3 10:30:0");
  }
}

TEST(ExpandResults, FlightCsvThatCannotBeWritten) {
  {  // The data folder does not exist: no user folder can be made in it.
    ExpandFixture fx;
    test::writeFile(fx.dat, test::assembleDump(threeFlights()));
    EXPECT_EQ(ExpandDataFile(fx.dat, fx.dir.file("absent") + "/", fx.header), 9);
    EXPECT_TRUE(fx.index().empty());
  }
  {  // All 53 names of flight 2 taken: the first flight stays expanded.
    ExpandFixture fx;
    const std::string user = fx.data + "/N123AB";
    platform::makeFolder(user);
    for (int i = 0; i < kNameSuffixCount; ++i)
      test::writeFile(user + "/F00002" + std::string(NameSuffix(i)) + ".CSV", "old");
    testing::internal::CaptureStdout();
    EXPECT_EQ(fx.expand(test::assembleDump(threeFlights())), 9);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("Remove Multiple Flight Files named: F00002AZ.CSV$$.CSV\n"), std::string::npos);
    EXPECT_EQ(fx.index().size(), 1u);
    EXPECT_EQ(fx.csv("F00002.CSV"), "old");
    EXPECT_FALSE(platform::fileExists(user + "/F00003.CSV"));
  }
}

TEST(ExpandResults, UnusableUserIdsStayInsideTheDataFolder) {
  for (const char* id : {"..", "A/B", "CON", "X:Y"}) {
    ExpandFixture fx;
    DumpPlan plan = threeFlights();
    plan.userId = id;
    EXPECT_EQ(fx.expand(test::assembleDump(plan)), 0) << id;
    EXPECT_FALSE(fx.csv("F00001.CSV", "BadData").empty()) << id;
    EXPECT_NE(test::crlfLines(fx.csv("F00001.CSV", "BadData"))[2].find(id), std::string::npos);
  }
}

TEST(ExpandResults, MoreFlightsThanTheTableHolds) {
  ExpandFixture fx;
  DumpPlan plan;
  for (int i = 0; i < 258; ++i) plan.flights.push_back(flight(static_cast<std::uint16_t>(i + 1), 1u << 2, {RecordBuilder()}));
  EXPECT_EQ(fx.expand(test::assembleDump(plan)), 2);
  const auto index = fx.index();
  ASSERT_EQ(index.size(), 256u);
  EXPECT_EQ(index.back().substr(0, 19), "Flt#256- F00256.CSV");
}

TEST(ExpandResults, ShortAndDamagedDumpsNeverReadOutOfBounds) {
  DumpPlan plan = threeFlights();
  plan.flights[1].header.presence = 0xFFFFFFFF;
  plan.flights[1].records.push_back(RecordBuilder(3).set(0, 0, 9).set(6, 0, 1).set(2, 4, 7, true).set(5, 2, 2));
  const std::string whole = test::assembleDump(plan);
  const std::size_t dataStart = whole.find("$L,");
  // Every cut inside the flight data: bad data (5) or, once the flights are
  // whole, a missing closing line (6).
  for (std::size_t n = dataStart + 12; n < whole.size(); ++n) {
    ExpandFixture fx;
    const int code = fx.expand(whole.substr(0, n));
    EXPECT_TRUE(code == 5 || code == 6 || code == 0) << n << ": " << code;
  }
  // A "$L" line that claims far more data than the file holds, and a "$D"
  // line longer than the data.
  {
    ExpandFixture fx;
    std::string dump = whole;
    const std::string l = test::headerLine("L,1");
    dump.replace(dump.find(l), l.size(), test::headerLine("L,8000000"));
    EXPECT_EQ(fx.expand(dump), 6);
    dump = whole;
    const std::size_t d = dump.find("$D,3,");
    dump.replace(d, dump.find('\n', d) + 1 - d, test::headerLine("D,3,30000"));
    const int code = fx.expand(dump);
    EXPECT_TRUE(code == 5 || code == 6) << code;
  }
  // Random damage in the flight data: any code, never a crash.
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    std::string dump = whole;
    for (int k = 0; k < 3; ++k) {
      const std::size_t at = dataStart + 12 + rng() % (whole.size() - dataStart - 12);
      dump[at] = static_cast<char>(rng());
    }
    ExpandFixture fx;
    const int code = fx.expand(dump);
    EXPECT_TRUE(code >= 0 && code <= 9) << code;
  }
}

// Remembers what the expansion hands on, as a flight viewer would.
struct RecordingSink : FlightSink {
  struct Flight {
    std::uint16_t number;
    int columns = 0;
    std::vector<std::string> times;
    float hours = -1;
    std::int32_t rows = -1;
    bool recovered = false;
  };
  std::vector<Flight> flights;
  int refuseAt = -1;  // the flight index that beginFlight refuses
  bool values = true;  // readsValues()
  std::string said;
  bool readsValues() const override { return values; }
  bool beginFlight(const FlightStart& s) override {
    if (s.index == refuseAt) return false;
    flights.push_back(Flight{s.flight.flightNumber, 0, {}, -1, -1, s.recovered});
    for (const ValueSlot& slot : s.channels) flights.back().columns += slot.enabled ? 1 : 0;
    return true;
  }
  void rows(const FlightRows& r) override {
    RunningClock c = r.clock;
    for (int i = 0; i < r.count; ++i, AdvanceClock(c, r.interval))
      flights.back().times.push_back(std::to_string(c.hours) + ":" + std::to_string(c.minutes) + ":" +
                                     std::to_string(c.seconds));
  }
  void endFlight(const FlightEnd& e) override {
    flights.back().hours = e.hours;
    flights.back().rows = e.rows;
  }
  void diagnostic(std::string_view text) override { said += text; }
};

TEST(ExpandDump, InMemoryTheSinkSeesWhatTheFilesHold) {
  const std::string dump = test::assembleDump(threeFlights());
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(dump.data()), dump.size());
  ExpandFixture fx;
  ASSERT_EQ(fx.expand(dump), 0);

  RecordingSink sink;
  HeaderState header{};
  ASSERT_EQ(ExpandDump(bytes, header, sink), 0);
  EXPECT_STREQ(header.userID, "N123AB");
  ASSERT_EQ(sink.flights.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    const auto& f = sink.flights[i];
    const auto lines = test::crlfLines(fx.csv(FlightFileBase(f.number) + ".CSV"));
    ASSERT_EQ(lines.size(), 7 + f.times.size()) << i;
    EXPECT_EQ(std::count(lines[6].begin(), lines[6].end(), ','), f.columns) << "a title per enabled slot";
    for (std::size_t row = 0; row < f.times.size(); ++row)
      EXPECT_EQ(lines[7 + row].substr(0, f.times[row].size() + 2), "\"" + f.times[row] + "\"") << i << " " << row;
    EXPECT_NE(fx.index()[i].find(FormatDuration(f.hours) + " Hours"), std::string::npos) << i;
  }

  RecordingSink refusing;
  refusing.refuseAt = 1;
  EXPECT_EQ(ExpandDump(bytes, header, refusing), kExpandCannotWriteCsv);
  EXPECT_EQ(refusing.flights.size(), 1u) << "nothing after the refused flight";
  EXPECT_EQ(ExpandDump(bytes.first(40), header, refusing), kExpandBadHeader) << "cut inside the header";
}

// A sink that reads no values (the look before an expansion) is spared the
// decoding of the values, and learns the same flights, row counts, durations
// and result as a sink that reads them, damaged and recovered flights too.
TEST(ExpandDump, ASinkThatReadsNoValuesLearnsTheSameFlights) {
  DumpPlan damaged = threeFlights();
  damaged.flights[1].records[0].badChecksum();
  DumpPlan badHeader = threeFlights();
  badHeader.flights[0].corruptHeader = true;
  std::vector<RecordBuilder> many(300, RecordBuilder(255).set(0, 0, 1));
  DumpPlan pastTheLimit;
  pastTheLimit.flights = {flight(4, 1u << 2, many)};
  const struct {
    const char* what;
    std::string dump;
    bool recover;
    int code;
  } cases[] = {
      {"whole", test::assembleDump(threeFlights()), false, 0},
      {"a bad record", test::assembleDump(damaged), false, 5},
      {"a bad record, recovered", test::assembleDump(damaged), true, 5},
      {"a bad flight header, recovered", test::assembleDump(badHeader), true, 3},
      {"past the line limit", test::assembleDump(pastTheLimit), false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(c.dump.data()), c.dump.size());
    ExpandOptions options;
    options.recover = c.recover;
    HeaderState header{};
    RecordingSink reading;
    EXPECT_EQ(ExpandDump(bytes, header, reading, options), c.code);
    RecordingSink looking;
    looking.values = false;
    EXPECT_EQ(ExpandDump(bytes, header, looking, options), c.code);
    ASSERT_EQ(looking.flights.size(), reading.flights.size());
    ASSERT_FALSE(reading.flights.empty());
    for (std::size_t i = 0; i < reading.flights.size(); ++i) {
      const auto& a = reading.flights[i];
      const auto& b = looking.flights[i];
      EXPECT_EQ(b.number, a.number) << i;
      EXPECT_EQ(b.columns, a.columns) << i;
      EXPECT_EQ(b.rows, a.rows) << i;
      EXPECT_EQ(b.hours, a.hours) << i;
      EXPECT_EQ(b.recovered, a.recovered) << i;
      EXPECT_EQ(a.times.size(), static_cast<std::size_t>(a.rows)) << i;
      EXPECT_TRUE(b.times.empty()) << "no rows for a sink that reads no values";
    }
  }
}

}  // namespace
}  // namespace varnix
