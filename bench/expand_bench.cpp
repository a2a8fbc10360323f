// SPDX-License-Identifier: GPL-3.0-or-later
// Expansion benchmark: a near-maximum dump (about 650 KB of flight data) in
// the Single and the Extended layout, expanded into CSV files. Prints value
// lines per second, MB of CSV per second, peak memory, and the ratio to the
// floor: the same files with the same bytes (every flight CSV and the index),
// created, flushed and closed through the same output-file calls as the
// expansion's (platform/output_file.h: new CSV files, the index written under
// a temporary name, synced and renamed), but with nothing decoded and one
// write (and flush) per line. A second floor writes the same files in blocks
// of 64 KiB, the least any writer of those files can do.
// The expansion is timed twice: the core's alone, and as `varnix-cli expand`
// runs it, with the look before it (previewExpansion); the last lines give
// the latter's ratio as "expand_ratio_to_floor_<layout> <value> x", then its
// ratio to the block floor as "expand_ratio_to_block_floor_<layout>".
// Every figure is the best of the rounds.
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
#include "platform/output_file.h"
#include "platform/platform.h"
#include "support/dump_builder.h"

namespace {

using namespace varnix::test;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr const char* kUser = "N123AB";

long peakKb() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

double since(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

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

// One file the expansion wrote, split into its lines (CR LF kept).
struct WrittenFile {
  std::string name;
  std::vector<std::string> lines;
};

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t pos = 0; pos < text.size();) {
    const std::size_t end = std::min(text.find('\n', pos), text.size() - 1);
    lines.push_back(text.substr(pos, end - pos + 1));
    pos = end + 1;
  }
  return lines;
}

// What one expansion wrote: the flight CSV files of the user folder, in name
// order, and the index.
struct Expanded {
  std::vector<WrittenFile> csvs;
  WrittenFile index;
  std::size_t bytes = 0;
  std::size_t valueLines = 0;
};

Expanded expanded(const fs::path& userFolder, const std::string& indexPath) {
  Expanded e;
  for (const auto& entry : fs::directory_iterator(userFolder)) {
    WrittenFile file{entry.path().filename().string(), linesOf(readFile(entry.path().string()))};
    for (const std::string& l : file.lines) e.bytes += l.size();
    e.valueLines += file.lines.size() > 7 ? file.lines.size() - 7 : 0;
    e.csvs.push_back(std::move(file));
  }
  std::sort(e.csvs.begin(), e.csvs.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  e.index = {fs::path(indexPath).filename().string(), linesOf(readFile(indexPath))};
  return e;
}

// Writes `lines` to `file` one write and flush per line, or gathered into
// blocks of 64 KiB.
bool writeLines(std::FILE* file, const std::vector<std::string>& lines, bool blocks) {
  if (!blocks) {
    for (const std::string& l : lines)
      if (!varnix::platform::writeAll(file, l.data(), l.size()) || std::fflush(file) != 0) return false;
    return true;
  }
  std::string block;
  block.reserve(1 << 16);
  for (const std::string& l : lines) {
    if (block.size() + l.size() > block.capacity()) {
      if (!varnix::platform::writeAll(file, block.data(), block.size()) || std::fflush(file) != 0) return false;
      block.clear();
    }
    block += l;
  }
  return varnix::platform::writeAll(file, block.data(), block.size()) && std::fflush(file) == 0;
}

// The floor: the expansion's files and bytes, through the same output-file
// calls, with nothing decoded. The index is written first and committed last,
// as the expansion does.
double floorSeconds(const Expanded& e, const fs::path& folder, bool blocks) {
  fs::create_directories(folder);
  const auto t0 = Clock::now();
  varnix::platform::ReplacingFile index((folder / e.index.name).string());
  const std::string user = (folder / kUser).string();
  varnix::platform::makeFolder(user);
  bool ok = index.file() != nullptr;
  for (const WrittenFile& csv : e.csvs) {
    std::FILE* f = varnix::platform::createNewFile(user + "/" + csv.name);
    ok = ok && f && writeLines(f, csv.lines, blocks);
    ok = varnix::platform::closeChecked(f) && ok;
  }
  ok = ok && writeLines(index.file(), e.index.lines, false) && index.commit();
  const double seconds = since(t0);
  if (!ok) std::printf("  the floor could not write its files\n");
  fs::remove_all(folder);
  return seconds;
}

// The core's expansion into a fresh data folder.
double coreSeconds(const std::string& dat, const fs::path& data) {
  fs::create_directories(data);
  const auto t0 = Clock::now();
  varnix::HeaderState header;
  const int code = varnix::ExpandDataFile(dat, data.string() + "/", header);
  const double seconds = since(t0);
  if (code != 0) std::printf("  expansion returned %d\n", code);
  return seconds;
}

// The look alone, at a data folder that holds the dump's flights already
// (the look before an expansion again).
double previewSeconds(const std::string& dat, const fs::path& data, std::size_t flights) {
  const auto t0 = Clock::now();
  varnix::frontend::CoreLibrary library;
  const auto preview = varnix::frontend::previewExpansion(library, dat, data.string());
  const double seconds = since(t0);
  if (preview.alreadyThere.size() != flights)
    std::printf("  the look found %zu of %zu flights\n", preview.alreadyThere.size(), flights);
  return seconds;
}

// The expansion as varnix-cli expand runs it: the look, then the expansion.
double roadSeconds(const std::string& dat, const fs::path& data) {
  fs::create_directories(data);
  const auto t0 = Clock::now();
  varnix::frontend::CoreLibrary library;
  const auto preview = varnix::frontend::previewExpansion(library, dat, data.string());
  const int code = library.expandDataFile(dat, data.string(), false).value;
  const double seconds = since(t0);
  if (code != 0 || !preview.alreadyThere.empty()) std::printf("  road expansion returned %d\n", code);
  fs::remove_all(data);
  return seconds;
}

struct Ratios {
  double floor;
  double blockFloor;
};

// Returns the best ratios of the road's expansion to the floors.
Ratios run(bool extended, int rounds) {
  TempDir dir;
  const std::string dump = benchDump(extended);
  const std::string dat = dir.file("R.DAT");
  writeFile(dat, dump);
  const long before = peakKb();
  long afterFirst = before;

  double best = 1e9, bestFloor = 1e9, bestBlocks = 1e9, bestRoad = 1e9, bestLook = 1e9;
  Expanded e;
  for (int r = 0; r < rounds; ++r) {
    const fs::path data = dir.file("data" + std::to_string(r));
    best = std::min(best, coreSeconds(dat, data));
    if (r == 0) afterFirst = peakKb();
    e = expanded(data / kUser, dir.file("R.TXT"));
    bestLook = std::min(bestLook, previewSeconds(dat, data, e.csvs.size()));
    fs::remove_all(data);
    bestFloor = std::min(bestFloor, floorSeconds(e, dir.file("floor" + std::to_string(r)), false));
    bestBlocks = std::min(bestBlocks, floorSeconds(e, dir.file("blocks" + std::to_string(r)), true));
    bestRoad = std::min(bestRoad, roadSeconds(dat, dir.file("road" + std::to_string(r))));
  }
  const double mb = static_cast<double>(e.bytes) / 1e6;
  std::printf("%s layout: dump %zu bytes, %zu files, %zu value lines, %.2f MB of CSV\n",
              extended ? "Extended" : "Single", dump.size(), e.csvs.size() + 1, e.valueLines, mb);
  std::printf("  expansion  %.4f s  %.0f lines/s  %.1f MB/s\n", best, static_cast<double>(e.valueLines) / best,
              mb / best);
  std::printf("  floor      %.4f s  (one write per line)   ratio %.2f\n", bestFloor, best / bestFloor);
  std::printf("  blocks     %.4f s  (64 KiB writes)        ratio %.2f\n", bestBlocks, best / bestBlocks);
  std::printf("  look alone %.4f s  (every flight in its folder already)\n", bestLook);
  std::printf("  with look  %.4f s  (as varnix-cli expand)   ratio %.2f, to the blocks %.2f\n", bestRoad,
              bestRoad / bestFloor, bestRoad / bestBlocks);
  std::printf("  peak memory before %ld KB, after the first expansion %ld KB (rise %ld KB)\n", before, afterFirst,
              afterFirst - before);
  return {bestRoad / bestFloor, bestRoad / bestBlocks};
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  const Ratios single = run(false, rounds);
  const Ratios extended = run(true, rounds);
  std::printf("expand_ratio_to_floor_single %.2f x\nexpand_ratio_to_floor_extended %.2f x\n", single.floor,
              extended.floor);
  std::printf("expand_ratio_to_block_floor_single %.2f x\nexpand_ratio_to_block_floor_extended %.2f x\n",
              single.blockFloor, extended.blockFloor);
  return 0;
}
