// SPDX-License-Identifier: GPL-3.0-or-later
// The flight reader on the files the expansion writes, on hand-made and on
// damaged files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "core/expand.h"
#include "store/catalog_entry.h"
#include "analysis/findings.h"
#include "flight/flight_collector.h"
#include "flight/flight_reader.h"
#include "library/expand_test_support.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using sim::encode::ProfileLayout;
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
  sim::encode::ProfileOptions fourCylinders = shortFlight(ProfileLayout::Single);
  fourCylinders.cylinders = 4;
  const Case cases[] = {
      {"bundled sample", readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT")},
      {"single, four cylinders", sim::encode::assembleDump(sim::encode::ProfileDump(fourCylinders, 2))},
      {"extended, every channel", sim::encode::assembleDump(sim::encode::ProfileDump(shortFlight(ProfileLayout::Extended), 1))},
      {"twin", sim::encode::assembleDump(sim::encode::ProfileDump(shortFlight(ProfileLayout::Twin), 1))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::vector<std::string> files = expandedFlights(dir, c.dump);
    ASSERT_FALSE(files.empty());
    for (const std::string& path : files) {
      SCOPED_TRACE(path);
      const flight::FlightRead read = ReadFlightFile(path);
      ASSERT_TRUE(read.ok()) << read.problem;
      const flight::Flight& f = read.value;
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
            EXPECT_TRUE(std::isnan(got)) << f.channels[ch].name << " row " << r;
          else if (f.channels[ch].name == "MARK")
            EXPECT_EQ(got, text == "\"S\"" ? 1.0f : 0.0f);
          else
            ASSERT_EQ(got, std::strtof(text.c_str(), nullptr)) << f.channels[ch].name << " row " << r;
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
      sim::encode::assembleDump(sim::encode::ProfileDump(shortFlight(ProfileLayout::Extended), 2)),
      sim::encode::assembleDump(sim::encode::ProfileDump(shortFlight(ProfileLayout::Twin), 1)),
      // Some megabytes of rows: the file is read in blocks, and rows cross their ends.
      sim::encode::assembleDump(sim::encode::ProfileDump(shortFlight(ProfileLayout::Extended, 600), 1)),
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
      ASSERT_TRUE(read.ok()) << read.problem;
      const flight::Flight& a = read.value;
      const flight::Flight& b = memory.flights[i];
      ASSERT_EQ(a.channels, b.channels);
      ASSERT_EQ(a.seconds, b.seconds);
      EXPECT_EQ(a.facts.flightNumber, b.facts.flightNumber);
      for (std::size_t ch = 0; ch < a.channels.size(); ++ch)
        for (std::size_t r = 0; r < a.rows(); ++r) {
          const float x = a.columns[ch][r], y = b.columns[ch][r];
          ASSERT_TRUE(x == y || (std::isnan(x) && std::isnan(y))) << a.channels[ch].name << " row " << r << ": " << x << " " << y;
        }
    }
  }
}

TEST(FlightReader, CountsSecondsOnPastMidnightAndReadsTheHeader) {
  const flight::FlightRead read =
      ReadFlightText(handFlight("\"E1\",\"BAT\",\"MARK\",", {",1300,12.5,", ",\"NA\",12.6,\"S\"", ",1310,13,"}));
  ASSERT_TRUE(read.ok()) << read.problem;
  const flight::Flight& f = read.value;
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
  ASSERT_TRUE(read.ok()) << read.problem;
  const flight::Flight copy = read.value;
  for (const flight::Flight* f : {&read.value, &copy}) {
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
      {"a row longer than a read block", handFlight(titles, {std::string(",").append(700000, '7').append(",1")}), 8},
      {"a row longer than its values can be", handFlight(titles, {std::string(",").append(200, '0').append("1,1")}), 8},
      {"a header line of 9000 bytes", replaced(good, "Model 830", std::string(9000, 'M')), 2},
      {"a first line without end", std::string(300000, '"'), 1},
      {"a start in no year", replaced(good, "6/3/24 23:59:48", "99/99/-2147483648 23:59:48"), 4},
      {"a start month past any field", replaced(good, "6/3/24 23:59:48", "16/3/24 23:59:48"), 4},
      {"a column title twice", handFlight("\"E1\",\"E1\",", {",1300,1290"}), 7},
      {"a column titled TIME", handFlight("\"E1\",\"TIME\",", {",1300,1290"}), 7},
  };
  TempDir dir;
  for (const Case& c : cases) {
    for (const bool fromFile : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (fromFile ? " (file)" : " (text)"));
      const std::string path = dir.file("F00001.CSV");
      if (fromFile) writeFile(path, c.text);
      const flight::FlightRead read = fromFile ? ReadFlightFile(path) : ReadFlightText(c.text);
      if (c.line == 0) {
        ASSERT_TRUE(read.ok()) << read.problem;
        EXPECT_EQ(read.value.rows(), 1u);
        ASSERT_EQ(read.value.notes.size(), 1u);
        continue;
      }
      EXPECT_FALSE(read.ok());
      EXPECT_EQ(read.line, c.line) << read.problem;
      EXPECT_EQ(read.problem.rfind("line " + std::to_string(c.line) + ": ", 0), 0u) << read.problem;
    }
  }
  const flight::FlightRead missing = ReadFlightFile("/no/such/F00001.CSV");
  EXPECT_FALSE(missing.ok());
  EXPECT_EQ(missing.line, flight::kUnreadFile);
}

// A flight of two checked channels whose rows carry the given times.
std::string timedFlight(const std::vector<std::string>& times) {
  std::string t = handFlight("\"C1\",\"C2\",", {});
  for (const std::string& time : times) t += "\"" + time + "\",380,375\r\n";
  return t;
}

// A clock that goes back is a midnight only from the evening to the early
// morning; any other step back, or a time that is none, is a damaged row
// placed one interval after the row before, and so is a step forward past a
// gap (at 6 s rows, more than two minutes), with a note naming its line.
// The span, and the digest's memory, follow the rows.
TEST(FlightReader, KeepsTheSecondsInStepWithTheRowsWhenTheClockGoesBack) {
  struct Case {
    const char* name;
    std::vector<std::string> times;
    std::vector<double> seconds;
    std::vector<int> notedLines;
    double startOfDay;
  };
  const Case cases[] = {
      {"midnight", {"23:59:54", "0:0:0", "0:0:6"}, {0, 6, 12}, {}, 86394},
      {"evening to morning: midnight, and a gap", {"13:0:0", "0:30:0", "0:30:6"}, {0, 6, 12}, {9}, 46800},
      {"two minutes without rows", {"10:0:0", "10:2:0", "10:2:6"}, {0, 120, 126}, {}, 36000},
      {"a gap of ten minutes", {"10:0:0", "10:0:6", "10:10:6", "10:10:12"}, {0, 6, 12, 18}, {10}, 36000},
      {"one row out of order", {"10:0:0", "10:0:6", "9:59:0", "10:0:18"}, {0, 6, 12, 18}, {10}, 36000},
      {"back by exactly twelve hours", {"12:0:0", "0:0:0", "12:0:12"}, {0, 6, 12}, {9}, 43200},
      {"not a time of day", {"10:0:0", "9:99:99", "10:0:12"}, {0, 6, 12}, {9}, 36000},
      {"the first row's time none", {"25:0:0", "10:0:6"}, {0, 6}, {8}, 36000},
      {"the clock set back an hour", {"10:0:0", "10:0:6", "9:0:12", "9:0:18"}, {0, 6, 12, 18}, {10, 11}, 36000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const flight::FlightRead read = ReadFlightText(timedFlight(c.times));
    ASSERT_TRUE(read.ok()) << read.problem;
    EXPECT_EQ(read.value.seconds, c.seconds);
    EXPECT_EQ(read.value.startOfDay, c.startOfDay);
    ASSERT_EQ(read.value.notes.size(), c.notedLines.size());
    for (std::size_t i = 0; i < c.notedLines.size(); ++i)
      EXPECT_EQ(read.value.notes[i].rfind("line " + std::to_string(c.notedLines[i]) + ": the ", 0), 0u)
          << read.value.notes[i];
  }

  // Times that go back and forth, and times that leap a day at every other
  // row: the notes stay few, a leap is a gap not counted, and the digest
  // costs no more than the rows and a day of minutes.
  std::vector<std::string> swinging, leaping;
  for (int r = 0; r < 4000; ++r) {
    swinging.push_back(r % 2 ? "9:0:0" : "10:0:0");
    leaping.push_back(r % 2 ? "23:59:59" : "0:0:0");
  }
  const flight::FlightRead swung = ReadFlightText(timedFlight(swinging));
  ASSERT_TRUE(swung.ok()) << swung.problem;
  EXPECT_EQ(swung.value.seconds.back(), 3999 * 6.0);
  EXPECT_EQ(swung.value.notes.size(), 11u);
  const flight::FlightRead leapt = ReadFlightText(timedFlight(leaping));
  ASSERT_TRUE(leapt.ok()) << leapt.problem;
  EXPECT_EQ(leapt.value.seconds.back(), 2000 * 6.0 + 1999);
  EXPECT_EQ(leapt.value.notes.size(), 11u);
  for (const flight::Flight* f : {&swung.value, &leapt.value}) {
    const analysis::FlightDigest digest = analysis::DigestFlight(*f);
    ASSERT_FALSE(digest.envelopes.empty());
    for (const analysis::Envelope& e : digest.envelopes) EXPECT_LE(e.min.size(), f->rows() + 1440) << e.channel;
  }
}

// A file saved by a spreadsheet: a byte order mark, CR-only or LF line
// ends, "no value" written unquoted. Its flight and its value hash are the
// ones of the file as the expansion wrote it, from the text and from the
// file, whose blocks may end between a CR and its LF.
TEST(FlightReader, ReadsAFlightFileThatPassedThroughASpreadsheet) {
  // Rows up to a CR as the last byte of the first read block (256 KiB).
  auto timeOf = [](int r) {
    const int t = (36000 + 6 * r) % 86400;
    char text[32];
    std::snprintf(text, sizeof text, "\"%d:%d:%d\",", t / 3600, t / 60 % 60, t % 60);
    return std::string(text);
  };
  std::string written = handFlight("\"E1\",\"E2\",", {});
  int r = 0;
  for (; written.size() < 262100; ++r) written += timeOf(r) + "13" + std::to_string(r % 100) + ",\"NA\"\r\n";
  const std::string lastRow = timeOf(r++);
  written += lastRow + std::string(262143 - written.size() - lastRow.size() - 3, '0') + "1,2\r\n";
  ASSERT_EQ(written[262143], '\r');
  written += timeOf(r) + "1,\"NA\"\r\n";
  auto lineEnds = [](std::string text, const std::string& end) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r') continue;
      out += text[i] == '\n' ? end : std::string(1, text[i]);
    }
    return out;
  };
  auto unquoted = [](std::string text, const std::string& na) {
    for (std::size_t at = text.find("\"NA\""); at != std::string::npos; at = text.find("\"NA\"", at))
      text.replace(at, 4, na);
    return text;
  };
  struct Case {
    const char* name;
    std::string text;
    bool sameValueText;  // the value lines as written, line ends aside: the same hash
  };
  const Case cases[] = {
      {"CR LF, as written", written, true},
      {"byte order mark", "\xEF\xBB\xBF" + written, true},
      {"CR only", lineEnds(written, "\r"), true},
      {"LF only", lineEnds(written, "\n"), true},
      {"byte order mark, CR only", "\xEF\xBB\xBF" + lineEnds(written, "\r"), true},
      {"NA unquoted", unquoted(written, "NA"), false},
      {"nan", unquoted(written, "nan"), false},
      {"NaN", unquoted(written, "NaN"), false},
      {"inf", unquoted(written, "inf"), false},
      {"-inf", unquoted(written, "-inf"), false},
  };
  const flight::FlightRead expected = ReadFlightText(written);
  ASSERT_TRUE(expected.ok()) << expected.problem;
  ASSERT_GT(expected.value.rows(), 9000u);
  const std::uint64_t expectedHash = flight::HashValueLines(written);
  TempDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("F00001.CSV");
    writeFile(path, c.text);
    std::uint64_t fileHash = 0;
    const flight::FlightRead fromText = ReadFlightText(c.text);
    const flight::FlightRead fromFile = ReadFlightFile(path, {}, &fileHash);
    for (const flight::FlightRead* read : {&fromText, &fromFile}) {
      ASSERT_TRUE(read->ok()) << read->problem;
      const flight::Flight& f = read->value;
      EXPECT_TRUE(f.notes.empty());
      ASSERT_EQ(f.seconds, expected.value.seconds);
      for (std::size_t ch = 0; ch < f.channels.size(); ++ch)
        for (std::size_t r = 0; r < f.rows(); ++r) {
          const float x = f.columns[ch][r], y = expected.value.columns[ch][r];
          ASSERT_TRUE(x == y || (std::isnan(x) && std::isnan(y))) << f.channels[ch].name << " row " << r;
        }
    }
    EXPECT_EQ(fileHash, flight::HashValueLines(c.text));
    if (c.sameValueText) {
      EXPECT_EQ(fileHash, expectedHash);
    }
  }
}

// The catalog's value hash stays the one it always kept: FNV-1a over the
// bytes after the LF that ends the titles, CRs left out. An entry made from
// the file in one pass is the entry made from its text.
TEST(FlightReader, HashesTheValueLinesAsTheCatalogAlwaysDid) {
  auto keptHash = [](std::string_view text) {
    std::size_t at = text.find("\"TIME\"");
    if (at != std::string_view::npos) at = text.find('\n', at);
    std::uint64_t h = 1469598103934665603ull;
    if (at != std::string_view::npos)
      for (unsigned char c : text.substr(at + 1))
        if (c != '\r') h = (h ^ c) * 1099511628211ull;
    return h;
  };
  const std::string good = handFlight("\"E1\",\"BAT\",\"MARK\",", {",1300,12.5,", ",\"NA\",12.6,\"S\"", ",1310,13,"});
  TempDir dir;
  const std::vector<std::string> expanded =
      expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/SAMPLE.DAT"));
  ASSERT_FALSE(expanded.empty());
  const std::string texts[] = {good, good + "\r\n", good.substr(0, good.size() - 5), readFile(expanded.front()),
                               "", "no titles\n1,2\n", "\"TIME\""};
  for (const std::string& text : texts) {
    SCOPED_TRACE(text.substr(0, 40));
    EXPECT_EQ(flight::HashValueLines(text), keptHash(text));
    const std::string path = dir.file("F09999.CSV");
    writeFile(path, text);
    const std::optional<store::CatalogEntry> fromFile = store::MakeCatalogEntryFromFile(path);
    ASSERT_TRUE(fromFile);
    const store::CatalogEntry fromText = store::MakeCatalogEntry(text);
    EXPECT_EQ(store::EncodeEntry(*fromFile), store::EncodeEntry(fromText));
  }
  EXPECT_FALSE(store::MakeCatalogEntryFromFile(dir.file("F00404.CSV")));
}

// What is no regular file is refused before a byte is read, naming it: a
// FIFO would wait for a writer, /dev/zero would never end.
TEST(FlightReader, RefusesWhatIsNoRegularFile) {
  TempDir dir;
  std::vector<std::string> paths = {dir.path()};
#ifndef _WIN32
  const std::string fifo = dir.file("F00002.CSV");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  paths.insert(paths.end(), {fifo, "/dev/zero", "/dev/null"});
#endif
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    const flight::FlightRead read = ReadFlightFile(path);
    EXPECT_FALSE(read.ok());
    EXPECT_EQ(read.line, 0);
    EXPECT_EQ(read.problem, "the file " + path + " is not a regular file");
  }
}

}  // namespace
}  // namespace varnix::test
