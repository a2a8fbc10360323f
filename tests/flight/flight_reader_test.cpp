// SPDX-License-Identifier: GPL-3.0-or-later
// The flight reader on the files the expansion writes, on hand-made and on
// damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "core/expand.h"
#include "flight/flight_collector.h"
#include "flight/flight_reader.h"
#include "library/expand_test_support.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using encode::ProfileLayout;
using flight::ReadFlightFile;
using flight::ReadFlightText;

// Splits a value line the plain way, for comparison with the reader.
std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t pos = 0;
  for (;;) {
    const std::size_t comma = line.find(',', pos);
    out.push_back(line.substr(pos, comma - pos));
    if (comma == std::string::npos) return out;
    pos = comma + 1;
  }
}

TEST(FlightReader, GivesEveryValueOfTheFilesTheExpansionWrites) {
  struct Case {
    const char* name;
    std::string dump;
  };
  encode::ProfileOptions fourCylinders = shortFlight(ProfileLayout::Single);
  fourCylinders.cylinders = 4;
  const Case cases[] = {
      {"bundled sample", readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT")},
      {"single, four cylinders", encode::assembleDump(encode::ProfileDump(fourCylinders, 2))},
      {"extended, every channel", encode::assembleDump(encode::ProfileDump(shortFlight(ProfileLayout::Extended), 1))},
      {"twin", encode::assembleDump(encode::ProfileDump(shortFlight(ProfileLayout::Twin), 1))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::vector<std::string> files = expandedFlights(dir, c.dump);
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
      SCOPED_TRACE(path);
      const flight::FlightRead read = ReadFlightFile(path);
      ASSERT_TRUE(read.flight) << read.problem;
      const flight::Flight& f = *read.flight;
      const std::vector<std::string> lines = crlfLines(readFile(path));
      ASSERT_EQ(f.rows(), lines.size() - 7);
      EXPECT_TRUE(f.notes.empty());
      EXPECT_EQ(f.facts.aircraft, "N123AB");
      EXPECT_EQ(lines[3].substr(0, 9 + f.facts.flightLabel.size()), "\"Flight #" + f.facts.flightLabel);
      for (std::size_t r = 0; r < f.rows(); ++r) {
        const std::vector<std::string> v = fields(lines[7 + r]);
        ASSERT_EQ(v.size(), f.channels.size() + 1);
        EXPECT_DOUBLE_EQ(f.seconds[r], static_cast<double>(r) * f.facts.interval);
        for (std::size_t ch = 0; ch < f.channels.size(); ++ch) {
          const std::string& text = v[ch + 1];
          const float got = f.columns[ch][r];
          if (text == "\"NA\"")
            EXPECT_TRUE(std::isnan(got)) << f.channels[ch] << " row " << r;
          else if (f.channels[ch] == "MARK")
            EXPECT_EQ(got, text == "\"S\"" ? 1.0f : 0.0f);
          else
            ASSERT_EQ(got, std::strtof(text.c_str(), nullptr)) << f.channels[ch] << " row " << r;
        }
      }
    }
  }
}

// The writer and the reader tied together: a dump decoded to memory gives
// the same channels, values and seconds as the reader gives from the CSV
// files the expansion wrote from it.
TEST(FlightReader, ReadsBackWhatTheDecoderHandedToTheFiles) {
  const std::string dumps[] = {
      readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"),
      encode::assembleDump(encode::ProfileDump(shortFlight(ProfileLayout::Extended), 2)),
      encode::assembleDump(encode::ProfileDump(shortFlight(ProfileLayout::Twin), 1)),
      // Some megabytes of rows: the file is read in blocks, and rows cross their ends.
      encode::assembleDump(encode::ProfileDump(shortFlight(ProfileLayout::Extended, 600), 1)),
  };
  for (const std::string& dump : dumps) {
    TempDir dir;
    const std::vector<std::string> files = expandedFlights(dir, dump);
    flight::FlightCollector memory;
    HeaderState header;
    ExpandDump({reinterpret_cast<const std::uint8_t*>(dump.data()), dump.size()}, header, memory);
    ASSERT_EQ(memory.flights.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      SCOPED_TRACE(files[i]);
      const flight::FlightRead read = ReadFlightFile(files[i]);
      ASSERT_TRUE(read.flight) << read.problem;
      const flight::Flight& a = *read.flight;
      const flight::Flight& b = memory.flights[i];
      ASSERT_EQ(a.channels, b.channels);
      ASSERT_EQ(a.seconds, b.seconds);
      EXPECT_EQ(a.facts.flightNumber, b.facts.flightNumber);
      for (std::size_t ch = 0; ch < a.channels.size(); ++ch)
        for (std::size_t r = 0; r < a.rows(); ++r) {
          const float x = a.columns[ch][r], y = b.columns[ch][r];
          ASSERT_TRUE(x == y || (std::isnan(x) && std::isnan(y))) << a.channels[ch] << " row " << r << ": " << x << " " << y;
        }
    }
  }
}

TEST(FlightReader, CountsSecondsOnPastMidnightAndReadsTheHeader) {
  const flight::FlightRead read =
      ReadFlightText(handFlight("\"E1\",\"BAT\",\"MARK\",", {",1300,12.5,", ",\"NA\",12.6,\"S\"", ",1310,13,"}));
  ASSERT_TRUE(read.flight) << read.problem;
  const flight::Flight& f = *read.flight;
  EXPECT_EQ(f.facts.flightLabel, "7");
  EXPECT_EQ(f.facts.flightNumber, 7);
  EXPECT_EQ(f.facts.year, 24);
  EXPECT_EQ(f.facts.engineUnit, 'F');
  EXPECT_EQ(f.facts.outsideAirUnit, 'C');
  EXPECT_EQ(f.facts.fuelUnit, "GPH");
  EXPECT_EQ(f.facts.interval, 6);
  EXPECT_DOUBLE_EQ(f.facts.durationHours, 0.01);
  EXPECT_EQ(f.startOfDay, 23 * 3600 + 59 * 60 + 48);
  EXPECT_EQ(f.seconds, (std::vector<double>{0, 6, 12}));  // 23:59:54, then 0:0:0
  EXPECT_TRUE(std::isnan(f.columns[0][1]));
  EXPECT_EQ(f.columns[1][1], 12.6f);
  EXPECT_TRUE(f.marked(1));
  EXPECT_FALSE(f.marked(2));
  EXPECT_EQ(f.nearestRow(8.9), 1u);
  EXPECT_EQ(f.nearestRow(9.1), 2u);
}

// The values' room is reserved from the first row's length: rows much
// shorter than the first make it grow, and every value stays in place.
TEST(FlightReader, KeepsEveryValueWhenLaterRowsAreShorterThanTheFirst) {
  std::vector<std::string> rows = {",\"NA\",\"NA\",\"NA\""};
  for (int r = 1; r < 2000; ++r) rows.push_back(std::string(",").append(1, static_cast<char>('0' + r % 10)).append(",7,\"S\""));
  const flight::FlightRead read = ReadFlightText(handFlight("\"E1\",\"BAT\",\"MARK\",", rows));
  ASSERT_TRUE(read.flight) << read.problem;
  const flight::Flight copy = *read.flight;
  for (const flight::Flight* f : {&*read.flight, &copy}) {
    ASSERT_EQ(f->rows(), 2000u);
    ASSERT_EQ(f->columns.size(), 3u);
    EXPECT_TRUE(std::isnan(f->columns[1][0]));
    for (std::size_t r = 1; r < 2000; ++r)
      ASSERT_TRUE(f->columns[0][r] == static_cast<float>(r % 10) && f->columns[1][r] == 7.0f && f->marked(r)) << r;
  }
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

TEST(FlightReader, NamesTheLineOfADamagedOrForeignFile) {
  const std::string titles = "\"E1\",\"E2\",";
  const std::string good = handFlight(titles, {",1300,1290", ",1301,1291"});
  struct Case {
    const char* name;
    std::string text;
    int line;  // 0: read, with the last row left out and a note
  };
  const Case cases[] = {
      {"empty", "", 1},
      {"another program's CSV", "a,b,c\r\n1,2,3\r\n", 1},
      {"header cut short", good.substr(0, good.find("\"Eng")), 5},
      {"no TIME column", replaced(good, "\"TIME\"", "\"CLOCK\""), 7},
      {"a row with a value missing", handFlight(titles, {",1300", ",1301,1291"}), 8},
      {"a row with a value too many", handFlight(titles, {",1300,1290", ",1301,1291,5"}), 9},
      {"a word for a value", handFlight(titles, {",1300,hot"}), 8},
      {"a time that is not one", replaced(good, "\"23:59:48\"", "\"x\""), 8},
      {"an empty line between rows", replaced(good, "\"23:59:54\"", "\r\n\"23:59:54\""), 9},
      {"last row cut in the middle", good.substr(0, good.size() - 6), 0},
      {"a row longer than a read block", handFlight(titles, {"," + std::string(700000, '7') + ",1"}), 8},
  };
  TempDir dir;
  for (const Case& c : cases) {
    for (const bool fromFile : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (fromFile ? " (file)" : " (text)"));
      const std::string path = dir.file("F00001.CSV");
      if (fromFile) writeFile(path, c.text);
      const flight::FlightRead read = fromFile ? ReadFlightFile(path) : ReadFlightText(c.text);
      if (c.line == 0) {
        ASSERT_TRUE(read.flight) << read.problem;
        EXPECT_EQ(read.flight->rows(), 1u);
        ASSERT_EQ(read.flight->notes.size(), 1u);
        continue;
      }
      EXPECT_FALSE(read.flight);
      EXPECT_EQ(read.line, c.line) << read.problem;
      EXPECT_EQ(read.problem.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << read.problem;
    }
  }
  const flight::FlightRead missing = ReadFlightFile("/no/such/F00001.CSV");
  EXPECT_FALSE(missing.flight);
  EXPECT_EQ(missing.line, 0);
}

}  // namespace
}  // namespace varnix::test
