// SPDX-License-Identifier: GPL-3.0-or-later
// Benchmark of the sensor faults and the exhaust-valve screen (over the
// steady cruise of the findings' digest, made beforehand as the findings
// make it anyway; its own time is printed apart) on a
// one-hour flight of 6 s rows and on the longest flight the format allows
// (84,500 rows, every channel of the extended layout). Prints one line per
// figure, `<name> <value> <unit>`: the best of several runs, the flights
// being made and read beforehand; `_cpu` the process's CPU time, which a
// machine busy with other work leaves nearly as it is.
//   build/<dir>/bench/varnix_analysis_bench
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <filesystem>

#include "analysis/findings.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "support/dump_builder.h"

namespace {

using Clock = std::chrono::steady_clock;

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

std::optional<varnix::flight::Flight> profileFlight(double minutes) {
  varnix::test::TempDir dir;
  varnix::sim::encode::ProfileOptions o;
  o.layout = varnix::sim::encode::ProfileLayout::Extended;
  o.allChannels = true;
  o.interval = 6;
  o.minutes = minutes;
  const std::string data = dir.file("data");
  std::filesystem::create_directory(data);
  const std::string dat = dir.file("R1.DAT");
  varnix::test::writeFile(dat, varnix::sim::encode::assembleDump(varnix::sim::encode::ProfileDump(o, 1)));
  varnix::HeaderState header;
  if (varnix::ExpandDataFile(dat, data + "/", header) != 0) return std::nullopt;
  varnix::flight::FlightRead read = varnix::flight::OpenFlight(data + "/N123AB/F00001.CSV");
  if (!read.ok()) return std::nullopt;
  return std::move(read.value);
}

struct Times {
  double wall = 1e300, cpu = 1e300;
};

// The best of `runs` runs of both analyses, in milliseconds.
Times bestMs(const varnix::flight::Flight& f, int runs, std::size_t* found) {
  const varnix::analysis::Limits limits;
  const varnix::analysis::FlightDigest digest = varnix::analysis::DigestFlight(f);
  Times best;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    const double c0 = cpuMs();
    const std::vector<varnix::analysis::SensorFault> faults = varnix::analysis::FindSensorFaults(f, limits);
    const varnix::analysis::ValveScreen screen = varnix::analysis::ScreenValves(f, digest, limits);
    best.cpu = std::min(best.cpu, cpuMs() - c0);
    best.wall = std::min(best.wall, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    *found = faults.size() + static_cast<std::size_t>(std::count_if(
                                 screen.cylinders.begin(), screen.cylinders.end(), [](const auto& c) {
                                   return c.verdict != varnix::analysis::ValveVerdict::None;
                                 }));
  }
  return best;
}

template <typename F>
double bestOf(int runs, F&& work) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = Clock::now();
    work();
    best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return best;
}

}  // namespace

int main() {
  const std::optional<varnix::flight::Flight> hour = profileFlight(60);
  const std::optional<varnix::flight::Flight> longest = profileFlight(84500 * 6 / 60.0);
  if (!hour || !longest) {
    std::fprintf(stderr, "the flights cannot be made\n");
    return 1;
  }
  std::size_t found = 0;
  const Times h = bestMs(*hour, 20, &found);
  std::printf("analysis_sensor_valve_hour_ms %.3f ms\n", h.wall);
  std::printf("analysis_sensor_valve_hour_ms_cpu %.3f ms\n", h.cpu);
  std::printf("analysis_sensor_valve_hour_found %zu\n", found);
  const Times l = bestMs(*longest, 10, &found);
  std::printf("analysis_sensor_valve_longest_ms %.3f ms\n", l.wall);
  std::printf("analysis_sensor_valve_longest_ms_cpu %.3f ms\n", l.cpu);
  const varnix::analysis::Limits limits;
  const varnix::analysis::FlightDigest digest = varnix::analysis::DigestFlight(*longest);
  std::printf("analysis_sensor_faults_longest_ms %.3f ms\n",
              bestOf(5, [&] { (void)varnix::analysis::FindSensorFaults(*longest, limits); }));
  std::printf("analysis_valve_screen_longest_ms %.3f ms\n",
              bestOf(5, [&] { (void)varnix::analysis::ScreenValves(*longest, digest, limits); }));
  std::printf("analysis_digest_longest_ms %.3f ms (the findings' digest the screen takes its cruise from)\n",
              bestOf(5, [&] { (void)varnix::analysis::DigestFlight(*longest); }));
  std::printf("analysis_sensor_valve_longest_rows %zu rows\n", longest->rows());
  std::printf("analysis_sensor_valve_longest_found %zu\n", found);
  return 0;
}
