// SPDX-License-Identifier: GPL-3.0-or-later
// Expansion benchmark: a near-maximum dump (about 650 KB of flight data) in
// the Single and the Extended layout, expanded into CSV files. Prints value
// lines per second, MB of CSV per second, peak memory, and the ratio to the
// floor: the same CSV bytes written with one write (and flush) per line.
// The expansion is timed twice: the core's alone, and as `varnix-cli expand`
// runs it, with the look before it (previewExpansion); the last lines give
// the latter's ratio as "expand_ratio_to_floor_<layout> <value> x".
//   build/<dir>/bench/varnix_expand_bench [rounds]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/expand.h"
#include "frontend/core_library.h"
#include "frontend/expansion_preview.h"
#include "support/dump_builder.h"

namespace {

using namespace varnix::test;
using Clock = std::chrono::steady_clock;

long peakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

// A flight of about `bytes` bytes: a realistic mix of changing channels
// (temperatures every record, fuel and voltage now and then) and repeats.
FlightPlan benchFlight(std::uint16_t number, std::size_t bytes, bool extended, unsigned& seed) {
  auto rnd = [&seed](unsigned n) {
    seed = seed * 1103515245u + 12345u;
    return (seed >> 16) % n;
  };
  FlightPlan f;
  f.header.flightNumber = number;
  f.header.presence = 0x5FFFFFFFu;  // nearly every channel
  f.header.extendedPresence = extended ? 0xF : 0;
  f.header.interval = 6;
  f.header.hours = 8;
  std::size_t size = extended ? 19 : 15;
  while (size < bytes) {
    RecordBuilder r(rnd(8) == 0 ? static_cast<int>(rnd(6)) : 0);
    for (int bit = 0; bit < 6; ++bit)  // E1-E6, C1-C6
      if (rnd(3) != 0) {
        r.set(0, bit, static_cast<std::uint8_t>(1 + rnd(12)), rnd(2) == 0);
        r.set(1, bit, static_cast<std::uint8_t>(1 + rnd(4)), rnd(2) == 0);
      }
    if (rnd(4) == 0) r.set(2, 7, static_cast<std::uint8_t>(1 + rnd(5)), rnd(2) == 0);  // FF
    if (rnd(6) == 0) r.set(2, 4, 1, rnd(2) == 0);                                       // BAT
    if (rnd(5) == 0) r.set(5, 1, static_cast<std::uint8_t>(1 + rnd(20)), rnd(2) == 0);  // RPM
    if (extended && rnd(5) == 0) r.set(8, 0, static_cast<std::uint8_t>(1 + rnd(3)), rnd(2) == 0);
    size += r.encode(extended).size();
    f.records.push_back(r);
  }
  return f;
}

std::string benchDump(bool extended) {
  DumpPlan plan;
  plan.model = "830";
  plan.firmware = "288";
  plan.extended = extended;
  unsigned seed = 17;
  for (int i = 0; i < 20; ++i)
    plan.flights.push_back(benchFlight(static_cast<std::uint16_t>(i + 1), 650000 / 20, extended, seed));
  return assembleDump(plan);
}

// Every line of every CSV file in `folder`, CR LF kept.
std::vector<std::vector<std::string>> csvLines(const std::filesystem::path& folder, std::size_t& bytes,
                                               std::size_t& valueLines) {
  std::vector<std::vector<std::string>> files;
  bytes = valueLines = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string text = readFile(entry.path().string());
    bytes += text.size();
    std::vector<std::string> lines;
    for (std::size_t pos = 0; pos < text.size();) {
      const std::size_t end = text.find('\n', pos);
      lines.push_back(text.substr(pos, end - pos + 1));
      pos = end + 1;
    }
    valueLines += lines.size() > 7 ? lines.size() - 7 : 0;
    files.push_back(std::move(lines));
  }
  return files;
}

double floorSeconds(const std::vector<std::vector<std::string>>& files, const std::filesystem::path& folder) {
  std::filesystem::create_directories(folder);
  const auto t0 = Clock::now();
  int n = 0;
  for (const auto& lines : files) {
    // Appended piece by piece: GCC 12 at -O3 warns of a false overlap
    // (-Wrestrict) in "F" + std::to_string(...).
    std::string name = "F";
    name.append(std::to_string(n++)).append(".CSV");
    std::FILE* f = std::fopen((folder / name).string().c_str(), "wb");
    for (const std::string& l : lines) {
      std::fwrite(l.data(), 1, l.size(), f);
      std::fflush(f);
    }
    std::fclose(f);
  }
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// The expansion as varnix-cli expand runs it: the look, then the expansion.
double roadSeconds(const std::string& dat, const std::filesystem::path& data) {
  std::filesystem::create_directories(data);
  const auto t0 = Clock::now();
  varnix::frontend::CoreLibrary library;
  const auto preview = varnix::frontend::previewExpansion(library, dat, data.string());
  const int code = library.expandDataFile(dat, data.string(), false).code;
  const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
  if (code != 0 || !preview.alreadyThere.empty()) std::printf("  road expansion returned %d\n", code);
  std::filesystem::remove_all(data);
  return seconds;
}

// Returns the best ratio of the road's expansion to the floor.
double run(bool extended, int rounds) {
  TempDir dir;
  const std::string dump = benchDump(extended);
  const std::string dat = dir.file("R.DAT");
  writeFile(dat, dump);
  const long before = peakKb();
  long afterFirst = before;

  double best = 1e9, bestFloor = 1e9, bestRoad = 1e9;
  std::size_t bytes = 0, valueLines = 0;
  for (int r = 0; r < rounds; ++r) {
    const std::filesystem::path data = dir.file("data" + std::to_string(r));
    std::filesystem::create_directories(data);
    const auto t0 = Clock::now();
    varnix::HeaderState header;
    const int code = varnix::ExpandDataFile(dat, data.string() + "/", header);
    best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    if (code != 0) std::printf("  expansion returned %d\n", code);
    if (r == 0) afterFirst = peakKb();
    const auto files = csvLines(data / "N123AB", bytes, valueLines);
    bestFloor = std::min(bestFloor, floorSeconds(files, dir.file("floor" + std::to_string(r))));
    std::filesystem::remove_all(data);
    std::filesystem::remove_all(dir.file("floor" + std::to_string(r)));
    bestRoad = std::min(bestRoad, roadSeconds(dat, dir.file("road" + std::to_string(r))));
  }
  std::printf("%s layout: dump %zu bytes, %zu value lines, %.2f MB of CSV\n", extended ? "Extended" : "Single",
              dump.size(), valueLines, static_cast<double>(bytes) / 1e6);
  std::printf("  expansion  %.3f s  %.0f lines/s  %.1f MB/s\n", best, static_cast<double>(valueLines) / best,
              static_cast<double>(bytes) / 1e6 / best);
  std::printf("  floor      %.3f s  (one write per line)   ratio %.2f\n", bestFloor, best / bestFloor);
  std::printf("  with look  %.3f s  (as varnix-cli expand)   ratio %.2f\n", bestRoad, bestRoad / bestFloor);
  std::printf("  peak memory before %ld KB, after the first expansion %ld KB (rise %ld KB)\n", before, afterFirst,
              afterFirst - before);
  return bestRoad / bestFloor;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const double single = run(false, rounds);
  const double extended = run(true, rounds);
  std::printf("expand_ratio_to_floor_single %.2f x\nexpand_ratio_to_floor_extended %.2f x\n", single, extended);
  return 0;
}
