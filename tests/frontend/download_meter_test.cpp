// SPDX-License-Identifier: GPL-3.0-or-later
// What the download screen and varnix-cli show of a running download, from
// reports at given moments: phase words, share, rate and time left.
#include <gtest/gtest.h>

#include <vector>

#include "frontend/download_meter.h"

namespace varnix::frontend::progress {
namespace {

struct Report {
  std::int64_t atMs;
  DownloadPhase phase;
  std::size_t received;
  std::uint64_t expected;
  std::int32_t msLeft;
};

TEST(DownloadMeter, ShowsEachPhaseWithItsFigures) {
  struct Case {
    std::vector<Report> reports;
    std::string line;
  };
  using P = DownloadPhase;
  const std::vector<Case> cases = {
      {{{0, P::WaitingForFirstByte, 0, 0, 17000}, {4100, P::WaitingForFirstByte, 0, 0, 12900}},
       "Start the dump on the instrument now \u2014 waiting 13 s"},
      {{{0, P::WaitingForFirstByte, 0, 0, 17000}, {1000, P::Header, 40, 0, 32000}},
       "Receiving the header  40 bytes"},
      // 960 bytes a second; 698,088 bytes to go take 727.2 s, shown as 12:08.
      {{{0, P::Header, 1, 0, 32000}, {1000, P::Flights, 961, 700009, 4000}, {2000, P::Flights, 1921, 700009, 4000}},
       "Receiving flights  1,921 of 700,009 bytes  0%  960 B/s  12:08 left"},
      {{{0, P::Flights, 100000, 200000, 4000}, {2000, P::Flights, 150000, 200000, 4000}},
       "Receiving flights  150,000 of 200,000 bytes  75%  24.4 KB/s  2 s left"},
      {{{0, P::Flights, 100, 300, 4000}, {1000, P::Silence, 300, 300, 2500}},
       "The instrument has stopped sending \u2014 finishing in 3 s  300 of 300 bytes  100%  200 B/s"},
  };
  for (const auto& c : cases) {
    DownloadMeter meter;
    for (const auto& r : c.reports) meter.update({r.phase, r.received, r.expected, r.msLeft}, r.atMs);
    EXPECT_EQ(meter.statusLine(), c.line);
    EXPECT_EQ(meter.elapsedMs(), c.reports.back().atMs - c.reports.front().atMs);
  }
}

TEST(DownloadMeter, Texts) {
  EXPECT_EQ(groupedDigits(0), "0");
  EXPECT_EQ(groupedDigits(999), "999");
  EXPECT_EQ(groupedDigits(1000), "1,000");
  EXPECT_EQ(groupedDigits(16777216), "16,777,216");
  EXPECT_EQ(durationText(0), "0 s");
  EXPECT_EQ(durationText(59001), "1:00");
  EXPECT_EQ(durationText(3723000), "1:02:03");
}

}  // namespace
}  // namespace varnix::frontend::progress
