// SPDX-License-Identifier: GPL-3.0-or-later
// What a flight file costs in memory follows the rows read, never the
// file's size: each reader is run in a child process whose address space
// may grow by 64 MB only, over files whose first row promises far more
// rows than they hold (sparse files of 200 MB and 2 GB, made with a
// resize and holding a few bytes, a 5,000-column header with a short first
// row, a blank first timed row before real ones). A file whose rows do
// want more than there is is unreadable, with its reason; nothing throws.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "flight/open_flight.h"
#include "support/address_space_limit.h"
#include "support/dump_builder.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

constexpr std::size_t kRoom = std::size_t{64} << 20;

// An avionics log's header with `columns` value columns (six CHTs, the rest untyped).
std::string avionicsHeader(int columns) {
  std::string units = "#yyy-mm-dd,hh:mm:ss,hh:mm", titles = "Lcl Date,Lcl Time,UTCOfst";
  for (int c = 0; c < columns; ++c) {
    units += c < 6 ? ",deg F" : ",";
    titles += c < 6 ? ",E1 CHT" + std::to_string(c + 1) : ",X" + std::to_string(c);
  }
  return "#airframe_info, airframe_name=\"Test\", aircraft_ident=\"N1\",\n" + units + "\n" + titles + "\n";
}

std::string avionicsRow(int second, int columns, const std::string& value) {
  char clock[16];
  std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", 12 + second / 3600 % 12, second / 60 % 60, second % 60);
  std::string row = std::string("2023-01-02,") + clock + ",+01:00";
  for (int c = 0; c < columns; ++c) row += "," + value;
  return row + "\n";
}

std::string nativeHead(int channels) {
  std::string titles;
  for (int c = 0; c < channels; ++c) titles += "\"A" + std::to_string(c) + "\",";
  std::string row;
  for (int c = 0; c < channels; ++c) row += ",0";
  return handFlight(titles, {row});
}

// `head`, then zeros up to `size` bytes: a sparse file whose first row
// promises rows as long as itself all the way.
void sparseFile(const std::string& path, const std::string& head, std::uintmax_t size) {
  writeFile(path, head);
  std::filesystem::resize_file(path, size);
}

enum Outcome { Read = 10, Refused = 11, NoRoom = 12, Other = 13 };

TEST(ReaderMemory, FollowsTheRowsReadNotTheFileSize) {
  if (!kAddressSpaceLimits) GTEST_SKIP() << "no address-space limit for a child process here";
  TempDir dir;
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    Outcome outcome;
    std::size_t rows;  // when read
    const char* problem;  // the start of the reason, when not read
  };
  const Case cases[] = {
      {"avionics, 200 MB sparse, 5,000 columns, a short first row",
       [](const std::string& p) { sparseFile(p, avionicsHeader(5000) + avionicsRow(0, 5000, ""), 200'000'000); },
       Refused, 0, "line 5: the line is longer than"},
      {"avionics, 2 GB sparse, 1,000 columns",
       [](const std::string& p) { sparseFile(p, avionicsHeader(1000) + avionicsRow(0, 1000, "1"), 2'000'000'000); },
       Refused, 0, "line 5: the line is longer than"},
      {"avionics, a blank first timed row before 16,000 rows of 300 columns",
       [](const std::string& p) {
         std::string text = avionicsHeader(300) + avionicsRow(0, 300, "");
         for (int r = 1; r <= 16000; ++r) text += avionicsRow(r, 300, "325.500");
         writeFile(p, text);
       },
       Read, 16001, ""},
      {"native, 200 MB sparse, 1,000 channels, a short first row",
       [](const std::string& p) { sparseFile(p, nativeHead(1000), 200'000'000); }, Refused, 0,
       "line 9: the line is longer than"},
      {"native, 2 GB sparse, one channel",
       [](const std::string& p) { sparseFile(p, nativeHead(1), 2'000'000'000); }, Refused, 0,
       "line 9: the line is longer than"},
      {"avionics, 4,000 rows of 5,000 columns: more than there is room for",
       [](const std::string& p) {
         std::string text = avionicsHeader(5000);
         for (int r = 0; r < 4000; ++r) text += avionicsRow(r, 5000, "");
         writeFile(p, text);
       },
       NoRoom, 0, "the file "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file("log.csv");
    c.make(path);
    const int status = RunWithAddressSpaceLimit(kRoom, [&] {
      const flight::FlightRead read = flight::OpenFlight(path);
      if (read.ok()) return read.value.rows() == c.rows ? Read : Other;
      if (read.problem.rfind(c.problem, 0) != 0) return Other;
      if (flight::Unreadable(read)) return read.problem.find("not enough memory") != std::string::npos ? NoRoom : Other;
      return Refused;
    });
    EXPECT_EQ(status, c.outcome) << "(" << kChildThrew << ": threw; 134: aborted)";
    std::filesystem::remove(path);
  }
}

}  // namespace
}  // namespace varnix::test
