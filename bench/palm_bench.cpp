// SPDX-License-Identifier: GPL-3.0-or-later
// Times the Palm backup conversion on a backup of about 700 KB and prints the
// figures; it asserts nothing about speed.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/palm.h"

namespace {

// A database header, then a dump of `dumpBytes` in 4096-byte records, each
// followed by an 8-byte record header.
std::string backupOf(std::size_t dumpBytes) {
  std::string out(78 + 8 * (dumpBytes / 4096 + 1) + 2, '\0');
  std::string dump = "$U,BENCH\r\n";
  while (dump.size() < dumpBytes) dump += static_cast<char>(dump.size() * 31 & 0xFF);
  for (std::size_t at = 0; at < dump.size(); at += 4096) {
    out += dump.substr(at, 4096);
    out += std::string("#REC\xFF\0\0\1", 8);
  }
  return out;
}

}  // namespace

int main() {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "varnix-palm-bench";
  fs::create_directories(dir);
  const std::string pdbPath = (dir / "P1234567.PDB").string();
  const std::string backup = backupOf(700 * 1024);
  std::ofstream(pdbPath, std::ios::binary).write(backup.data(), static_cast<std::streamsize>(backup.size()));

  constexpr int kRuns = 50;
  double best = 1e9, total = 0;
  for (int i = 0; i < kRuns; ++i) {
    std::string path = pdbPath;
    const auto t0 = std::chrono::steady_clock::now();
    const int code = varnix::ProcessPalmFile(path);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    if (code != 0) {
      std::fprintf(stderr, "conversion failed with code %d\n", code);
      return 1;
    }
    best = ms < best ? ms : best;
    total += ms;
  }
  const double mb = static_cast<double>(backup.size()) / (1024.0 * 1024.0);
  std::printf("palm: backup %.0f KB, %d runs, best %.2f ms, mean %.2f ms, %.0f MB/s (best)\n",
              static_cast<double>(backup.size()) / 1024.0, kRuns, best, total / kRuns, mb / (best / 1000.0));
  std::error_code ec;
  fs::remove_all(dir, ec);
  return 0;
}
