// SPDX-License-Identifier: GPL-3.0-or-later
// Engine analyses benchmark: the flight phases (and the power and mixture
// found from them) of a one-hour flight at 6 s and of the longest flight the
// format allows (84,500 rows, every channel of the extended layout), and all
// the analyses together (AnalyseEngine with AnalyseFlight's result, what the
// flight window and the catalog compute). Prints `<name> <value> ms`, the
// best of several runs (`_cpu_ms`: the process's CPU time, which a shared
// machine does not inflate), flights already read.
//   build/<dir>/bench/varnix_analysis_bench
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <string>
#include <vector>

#include "analysis/engine_analysis.h"
#include "analysis/flight_analysis.h"
#include "analysis/flight_phases.h"
#include "analysis/lean_test.h"
#include "analysis/mag_check.h"
#include "analysis/sensor_faults.h"
#include "analysis/valve_screen.h"
#include "analysis/limits.h"
#include "analysis/power_mixture.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "support/dump_builder.h"
#include "support/flight_files.h"

namespace {

using Clock = std::chrono::steady_clock;

varnix::flight::Flight profileFlight(const varnix::test::TempDir& dir, varnix::sim::encode::ProfileOptions o) {
  const std::vector<std::string> files =
      varnix::test::expandedFlights(dir, varnix::sim::encode::assembleDump(varnix::sim::encode::ProfileDump(o, 1)));
  if (files.empty()) return {};
  varnix::flight::FlightRead read = varnix::flight::OpenFlight(files.front());
  return read.ok() ? read.value : varnix::flight::Flight{};
}

// Now, in milliseconds: of the wall clock, or of the process's CPU time,
// which a shared machine does not inflate.
double wallMs() { return std::chrono::duration<double, std::milli>(Clock::now().time_since_epoch()).count(); }
double cpuMs() { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

// The best of `runs` timings of `work` on the clock `now`, in milliseconds.
template <class Work>
double bestOf(int runs, double (*now)(), Work work) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const double t0 = now();
    work();
    best = std::min(best, now() - t0);
  }
  return best;
}
template <class Work>
double bestMs(int runs, Work work) {
  return bestOf(runs, wallMs, work);
}
template <class Work>
double bestCpuMs(int runs, Work work) {
  return bestOf(runs, cpuMs, work);
}

}  // namespace

int main() {
  varnix::test::TempDir hourDir, longestDir;
  varnix::sim::encode::ProfileOptions hour;
  hour.minutes = 60;
  hour.interval = 6;
  varnix::sim::encode::ProfileOptions longest;
  longest.layout = varnix::sim::encode::ProfileLayout::Extended;
  longest.allChannels = true;
  longest.interval = 6;
  longest.minutes = 84500 * 6 / 60.0;
  const varnix::flight::Flight flights[] = {profileFlight(hourDir, hour), profileFlight(longestDir, longest)};
  const char* names[] = {"hour", "longest"};
  varnix::analysis::Limits limits;
  limits.ratedHp = 300;
  limits.compressionRatio = 8.5;
  for (int f = 0; f < 2; ++f) {
    const varnix::flight::Flight& flight = flights[f];
    if (flight.rows() == 0) {
      std::fprintf(stderr, "the %s flight could not be made\n", names[f]);
      return 1;
    }
    std::size_t spans = 0;
    const double phases = bestMs(5, [&] { spans += varnix::analysis::FindPhases(flight).spans.size(); });
    const varnix::analysis::FlightPhases found = varnix::analysis::FindPhases(flight);
    std::size_t segments = 0;
    const double power =
        bestMs(5, [&] { segments += varnix::analysis::AnalysePowerMixture(flight, limits, found.spans).mixture.size(); });
    std::printf("analysis_phases_%s_ms %.2f ms\n", names[f], phases);
    std::printf("analysis_power_mixture_%s_ms %.2f ms\n", names[f], power);
    std::size_t findings = 0;
    // What the flight window computes: the engine analyses and the summary the catalog stores, found together.
    varnix::analysis::FlightAnalysis together;
    const double all = bestMs(5, [&] {
      findings += varnix::analysis::AnalyseEngine(flight, limits, together).findings.size();
      findings += together.headline.hottest.size();
    });
    const double cpuAll = bestCpuMs(5, [&] {
      findings += varnix::analysis::AnalyseEngine(flight, limits, together).findings.size();
      findings += together.headline.hottest.size();
    });
    const double engine = bestMs(5, [&] { findings += varnix::analysis::AnalyseEngine(flight, limits).findings.size(); });
    const double analysed = bestMs(5, [&] { findings += varnix::analysis::AnalyseFlight(flight).headline.hottest.size(); });
    std::printf("analysis_engine_%s_ms %.2f ms\n", names[f], engine);
    std::printf("analysis_flight_%s_ms %.2f ms\n", names[f], analysed);
    const double digest = bestMs(5, [&] { findings += varnix::analysis::DigestFlight(flight, found).envelopes.size(); });
    std::printf("analysis_digest_%s_ms %.2f ms\n", names[f], digest);
    // The parts, CPU time: what the digest is made of, the summary, the analyses in the phases.
    const std::vector<varnix::analysis::PhaseSpan> cruise = found.of(varnix::analysis::Phase::Cruise);
    std::printf("analysis_summary_%s_cpu_ms %.2f ms\n", names[f],
                bestCpuMs(5, [&] { findings += varnix::analysis::SummarizeFlight(flight).hottest.size(); }));
    std::printf("analysis_sensor_faults_%s_cpu_ms %.2f ms\n", names[f],
                bestCpuMs(5, [&] { findings += varnix::analysis::FindSensorFaults(flight, limits).size(); }));
    std::printf("analysis_valve_screen_%s_cpu_ms %.2f ms\n", names[f],
                bestCpuMs(5, [&] { findings += varnix::analysis::ScreenValves(flight, cruise, limits).cylinders.size(); }));
    std::printf("analysis_lean_mag_%s_cpu_ms %.2f ms\n", names[f], bestCpuMs(5, [&] {
                  findings += varnix::analysis::FindLeanTests(flight, limits, cruise).size();
                  findings += varnix::analysis::CheckMagnetos(flight, limits, found).size();
                }));
    std::printf("analysis_digest_%s_cpu_ms %.2f ms\n", names[f],
                bestCpuMs(5, [&] { findings += varnix::analysis::DigestFlight(flight, found).envelopes.size(); }));
    std::printf("analysis_all_%s_ms %.2f ms\n", names[f], all);
    std::printf("analysis_all_%s_cpu_ms %.2f ms\n", names[f], cpuAll);
    std::printf("analysis_phases_%s_rows %zu rows (%zu spans)\n", names[f], flight.rows(), spans / 5);
  }
  return 0;
}
