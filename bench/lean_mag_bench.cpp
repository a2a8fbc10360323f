// SPDX-License-Identifier: GPL-3.0-or-later
// The lean test and the magneto check on a one-hour flight at 6 s and on the
// longest flight the format allows (84,500 rows with every channel of the
// extended layout), decoded in memory. Prints `<name> <value> <unit>`, the
// best of twenty runs of both analyses together.
//   build/<dir>/bench/varnix_lean_mag_bench
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "analysis/lean_test.h"
#include "analysis/mag_check.h"
#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "flight/flight_collector.h"

namespace {

using Clock = std::chrono::steady_clock;

bool decode(const varnix::sim::encode::ProfileOptions& o, varnix::flight::Flight* flight) {
  const std::string dump = varnix::sim::encode::assembleDump(varnix::sim::encode::ProfileDump(o, 1));
  varnix::flight::FlightCollector memory;
  varnix::HeaderState header;
  varnix::ExpandDump({reinterpret_cast<const std::uint8_t*>(dump.data()), dump.size()}, header, memory);
  if (memory.flights.size() != 1) return false;
  *flight = std::move(memory.flights[0]);
  return true;
}

double bestMs(const varnix::flight::Flight& flight, std::size_t* found) {
  const varnix::analysis::Limits limits;
  double best = 1e9;
  for (int i = 0; i < 20; ++i) {
    const auto t0 = Clock::now();
    const auto lean = varnix::analysis::FindLeanTests(flight, limits);
    const auto mags = varnix::analysis::CheckMagnetos(flight, limits);
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    *found = lean.size() + mags.size();
  }
  return best;
}

}  // namespace

int main() {
  varnix::sim::encode::ProfileOptions hour;
  hour.minutes = 60;
  hour.interval = 6;
  varnix::sim::encode::ProfileOptions longest;
  longest.layout = varnix::sim::encode::ProfileLayout::Extended;
  longest.allChannels = true;
  longest.interval = 6;
  longest.minutes = 84500 * 6 / 60.0;
  // The same rows one second apart: a sweep's search looks at more rows per start.
  varnix::sim::encode::ProfileOptions seconds = longest;
  seconds.interval = 1;
  seconds.minutes = 84500 / 60.0;
  varnix::flight::Flight a, b, c;
  if (!decode(hour, &a) || !decode(longest, &b) || !decode(seconds, &c)) {
    std::fprintf(stderr, "the benchmark flights could not be made\n");
    return 1;
  }
  std::size_t foundA = 0, foundB = 0, foundC = 0;
  const double hourMs = bestMs(a, &foundA), longestMs = bestMs(b, &foundB), secondsMs = bestMs(c, &foundC);
  std::printf("analysis_lean_mag_hour_rows %zu rows\n", a.rows());
  std::printf("analysis_lean_mag_hour_ms %.3f ms\n", hourMs);
  std::printf("analysis_lean_mag_longest_rows %zu rows\n", b.rows());
  std::printf("analysis_lean_mag_longest_ms %.3f ms\n", longestMs);
  std::printf("analysis_lean_mag_longest_1s_rows %zu rows\n", c.rows());
  std::printf("analysis_lean_mag_longest_1s_ms %.3f ms\n", secondsMs);
  std::printf("analysis_lean_mag_found %zu %zu %zu results\n", foundA, foundB, foundC);
  return 0;
}
