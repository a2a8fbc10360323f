// SPDX-License-Identifier: GPL-3.0-or-later
// The flight CSV writer: names, clock, number texts and the duration.
#include <gtest/gtest.h>

#include <string>

#include "core/csv_writer.h"
#include "core/naming.h"
#include "platform/platform.h"
#include "support/dump_builder.h"

namespace varnix {
namespace {

std::string text(const ValueSlot& s, int fuelUnit) {
  std::string out;
  AppendValueText(out, s, fuelUnit);
  return out;
}

ValueSlot slot(int presence, int value, bool na = false) { return ValueSlot{true, presence, na, "X", 0, value, 0}; }

TEST(CsvWriter, ValueTextsByChannel) {
  EXPECT_EQ(text(slot(0, 125), 0), "12.5");
  EXPECT_EQ(text(slot(0, 130), 0), "13");
  EXPECT_EQ(text(slot(30, 5), 0), "0.5");
  EXPECT_EQ(text(slot(35, -3), 0), "-0.3");
  EXPECT_EQ(text(slot(34, 0), 0), "0");
  EXPECT_EQ(text(slot(31, 9999999), 0), "1e+06");  // six significant digits, as %g
  EXPECT_EQ(text(slot(32, 1234567), 0), "123457");
  EXPECT_EQ(text(slot(27, 107), 0), "10.7");
  EXPECT_EQ(text(slot(27, 107), 2), "107");
  EXPECT_EQ(text(slot(39, 240), 0), "\"S\"");
  EXPECT_EQ(text(slot(39, 0), 0), "");
  EXPECT_EQ(text(slot(2, -2147483647 - 1), 0), "-2147483648");
  EXPECT_EQ(text(slot(2, 1350, true), 0), "\"NA\"");
  // Every digit count, whole and in tenths, as printf gives them.
  for (long long v = -120000; v <= 120000; ++v) {
    const auto n = static_cast<std::int32_t>(v < -20000 || v > 20000 ? v * 997 : v);
    char tenths[32];
    std::snprintf(tenths, sizeof tenths, "%g", n / 10.0);
    ASSERT_EQ(text(slot(2, n), 0), std::to_string(n));
    ASSERT_EQ(text(slot(0, n), 0), tenths) << n;
  }
}

TEST(CsvWriter, ClockCarriesFully) {
  RunningClock c{10, 59, 58};
  AdvanceClock(c, 6);
  EXPECT_EQ((std::array{c.hours, c.minutes, c.seconds}), (std::array{11, 0, 4}));
  c = {23, 59, 58};
  AdvanceClock(c, 6);
  EXPECT_EQ((std::array{c.hours, c.minutes, c.seconds}), (std::array{0, 0, 4}));
  c = {10, 0, 30};
  AdvanceClock(c, 3725);  // 1 h 2 min 5 s
  EXPECT_EQ((std::array{c.hours, c.minutes, c.seconds}), (std::array{11, 2, 35}));
  c = {31, 63, 62};  // an out-of-range start
  AdvanceClock(c, 6);
  EXPECT_EQ((std::array{c.hours, c.minutes, c.seconds}), (std::array{8, 4, 8}));
}

TEST(CsvWriter, DurationTextIsFivePointTwoOfAFloat) {
  EXPECT_EQ(FormatDuration(0.0f), " 0.00");
  EXPECT_EQ(FormatDuration(1.25f), " 1.25");
  EXPECT_EQ(FormatDuration(12.5f), "12.50");
  EXPECT_EQ(FormatDuration(123.4f), "123.40");
  EXPECT_EQ(FormatDuration(0.125f), " 0.12") << "an exact tie goes to the even digit";
  EXPECT_EQ(FormatDuration(0.375f), " 0.38");
  EXPECT_EQ(FormatDuration(0.005f), " 0.00") << "0.005f lies below the tie";
  for (float v : {0.1f, 2.675f, 99.995f, 1e7f, 3.3e10f}) {
    char expect[64];
    std::snprintf(expect, sizeof expect, "%5.2f", static_cast<double>(v));
    EXPECT_EQ(FormatDuration(v), expect) << v;
  }
}

TEST(CsvWriter, FileNamesAndSuffixes) {
  EXPECT_EQ(FlightFileBase(7), "F00007");
  EXPECT_EQ(FlightFileBase(12345), "F12345");
  EXPECT_EQ(FlightFileBase(65535), "F65535");

  test::TempDir dir;
  const std::string arg = dir.folderArgument();
  FlightCsv csv;
  ASSERT_EQ(OpenFlightCsv(csv, arg, 23, "N123AB"), CsvOpenResult::Ok);
  EXPECT_EQ(csv.shortName, "F00023.CSV");
  CloseFlightCsv(csv);
  ASSERT_EQ(OpenFlightCsv(csv, arg, 23, "N123AB"), CsvOpenResult::Ok);
  EXPECT_EQ(csv.shortName, "F00023A.CSV");
  EXPECT_EQ(csv.suffix, "A");
  CloseFlightCsv(csv);
  // An id that cannot name a folder goes to BadData.
  ASSERT_EQ(OpenFlightCsv(csv, arg, 1, ".."), CsvOpenResult::Ok);
  CloseFlightCsv(csv);
  EXPECT_TRUE(platform::fileExists(dir.path() + "/BadData/F00001.CSV"));
}

TEST(CsvWriter, AllNamesTakenWritesNothingOverAnOldFile) {
  test::TempDir dir;
  const std::string arg = dir.folderArgument();
  FlightCsv csv;
  for (int i = 0; i < kNameSuffixCount; ++i) {
    ASSERT_EQ(OpenFlightCsv(csv, arg, 5, "N1"), CsvOpenResult::Ok);
    std::fputs("keep", csv.file);
    CloseFlightCsv(csv);
  }
  EXPECT_EQ(OpenFlightCsv(csv, arg, 5, "N1"), CsvOpenResult::AllNamesTaken);
  EXPECT_EQ(CsvOpenDiagnostic(CsvOpenResult::AllNamesTaken, 5, "/x/R.DAT"),
            "Remove Multiple Flight Files named: F00005AZ.CSV$$.CSV\nthen Re-process DataFile named: /x/R.DAT\n");
  EXPECT_EQ(csv.file, nullptr);
  EXPECT_EQ(test::readFile(dir.path() + "/N1/F00005.CSV"), "keep");
  EXPECT_EQ(test::readFile(dir.path() + "/N1/F00005AZ.CSV"), "keep");
}

TEST(CsvWriter, LongDurationStaysInsideItsPlaceholder) {
  test::TempDir dir;
  FlightCsv csv;
  ASSERT_EQ(OpenFlightCsv(csv, dir.folderArgument(), 1, "N1"), CsvOpenResult::Ok);
  Decoder d;
  BuildChannelTable(d, ChannelLayout::Single);
  SetUpValueTable(d, 0, 0);
  FlightHeader f{};
  const long at = WriteCsvHeader(csv, {"\"Model 1 Firmware 2\"", "N1", &f, 'C', 'C', 0}, d.values, d.fuelFlowPresent);
  FinishFlightCsv(csv, at, 65535, 123456.0f);
  const std::string file = test::readFile(dir.path() + "/N1/F00001.CSV");
  EXPECT_NE(file.find("\"Duration 123456.00Hours   Interval 65535 sec\"\r\n\"TIME\",\"DIF\",\"CLD\",\"MARK\",\r\n"),
            std::string::npos)
      << file;
}

}  // namespace
}  // namespace varnix
