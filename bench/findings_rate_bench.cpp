// SPDX-License-Identifier: GPL-3.0-or-later
// How often a normal flight raises a finding: findings per flight-hour
// under the default limits on a year of simulated flights without events
// (150 flights of 50 to 80 minutes, single, extended and twin, seeds varied)
// and on the shared avionics logs of tests/data/avionics (their table in
// tests/analysis/shared_logs.h). Prints `<name> <value> <unit>` lines, then
// each finding of the shared logs on a line of its own (`# ...`). Then the
// logbook of a year of one aircraft (make-dump's history: 121 flights over 365
// days): its open findings per flight when nothing happens, the trend findings
// when C3 warms 1 °F a flight over the last 40, and the issues when C3's probe
// opens on every flight.
//   build/<dir>/bench/varnix_findings_rate_bench
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/engine_analysis.h"
#include "analysis/findings.h"
#include "core/expand.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "store/aircraft_issues.h"
#include "store/catalog_entry.h"
#include "store/logbook.h"
#include "shared_logs.h"
#include "support/dump_builder.h"

namespace {

namespace encode = varnix::sim::encode;

struct Rate {
  std::size_t findings = 0, flights = 0;
  double hours = 0;
  double perHour() const { return hours > 0 ? static_cast<double>(findings) / hours : 0; }
};

std::vector<varnix::analysis::Finding> findingsOf(const varnix::flight::Flight& f) {
  return varnix::analysis::AnalyseEngine(f, varnix::analysis::Limits{}).findings;
}

void count(const varnix::flight::Flight& f, Rate& rate, const char* name) {
  const std::vector<varnix::analysis::Finding> found = findingsOf(f);
  rate.findings += found.size();
  ++rate.flights;
  rate.hours += f.rows() ? f.seconds.back() / 3600.0 : 0;
  for (const varnix::analysis::Finding& x : found)
    std::printf("# %s: %s %s: %s\n", name, std::string(varnix::analysis::KindName(x.kind)).c_str(), x.channel.c_str(),
                x.text.c_str());
}

// One dump of `flights` normal flights, expanded and read; every flight counted.
bool simulated(const encode::ProfileOptions& o, int flights, Rate& rate) {
  varnix::test::TempDir dir;
  const std::string data = dir.file("data");
  std::filesystem::create_directory(data);
  const std::string dat = dir.file("R1.DAT");
  varnix::test::writeFile(dat, encode::assembleDump(encode::ProfileDump(o, flights)));
  varnix::HeaderState header;
  if (varnix::ExpandDataFile(dat, data + "/", header) != 0) return false;
  for (const auto& file : std::filesystem::recursive_directory_iterator(data)) {
    if (!file.is_regular_file()) continue;
    const varnix::flight::FlightRead read = varnix::flight::OpenFlight(file.path().string());
    if (!read.ok()) return false;
    count(read.value, rate, file.path().filename().string().c_str());
  }
  return true;
}

// The logbook of one aircraft's year, as `o` makes it (its history of 365 days).
std::optional<varnix::store::AircraftLog> yearLog(encode::ProfileOptions o) {
  o.history.days = 365;
  varnix::test::TempDir dir;
  const std::string data = dir.file("data");
  std::filesystem::create_directory(data);
  const std::string dat = dir.file("R1.DAT");
  varnix::test::writeFile(dat, encode::assembleDump(encode::ProfileDump(o, 121)));
  varnix::HeaderState header;
  if (varnix::ExpandDataFile(dat, data + "/", header) != 0) return std::nullopt;
  std::vector<varnix::store::CatalogEntry> entries;
  for (const auto& file : std::filesystem::recursive_directory_iterator(data)) {
    if (!file.is_regular_file()) continue;
    std::optional<varnix::store::CatalogEntry> e = varnix::store::MakeCatalogEntryFromFile(file.path().string());
    if (!e || !e->problem.empty()) return std::nullopt;
    e->folder = "N123AB";
    e->file = file.path().filename().string();
    entries.push_back(std::move(*e));
  }
  return varnix::store::BuildAircraftLog("N123AB", std::move(entries), varnix::analysis::Limits{});
}

std::size_t openFindings(const varnix::store::AircraftLog& log) {
  std::size_t n = 0;
  for (const auto& f : log.flights) n += f.openFindings();
  for (const auto& t : log.trends) n += !t.acknowledged;
  return n;
}

}  // namespace

int main() {
  Rate sim;
  const encode::ProfileLayout layouts[] = {encode::ProfileLayout::Single, encode::ProfileLayout::Extended,
                                           encode::ProfileLayout::Twin};
  for (int dump = 0; dump < 15; ++dump) {
    encode::ProfileOptions o;
    o.layout = layouts[dump % 3];
    o.cylinders = dump % 5 == 1 ? 4 : 6;
    o.minutes = 50 + (dump * 7) % 31;
    o.interval = dump % 4 == 3 ? 2 : 6;
    o.seed = 100u + static_cast<unsigned>(dump) * 37u;
    o.month = 1 + dump % 12;
    if (!simulated(o, 10, sim)) {
      std::fprintf(stderr, "the simulated dump %d could not be made or read\n", dump);
      return 1;
    }
  }
  Rate shared, sr22t;
  for (const varnix::test::SharedLog& log : varnix::test::SharedLogs()) {
    const varnix::flight::FlightRead read = varnix::flight::OpenFlight(varnix::test::SharedLogPath(log));
    if (!read.ok()) {
      std::fprintf(stderr, "%s: %s\n", log.file, read.problem.c_str());
      return 1;
    }
    count(read.value, shared, log.file);
    // The SR22 Turbo logs name their airframe in the first line; the others are of other aircraft.
    if (read.value.facts.aircraft.find("SR22") != std::string::npos) count(read.value, sr22t, log.file);
  }
  std::printf("findings_per_flight_hour_sim %.3f 1/h\n", sim.perHour());
  std::printf("findings_sim %zu findings\n", sim.findings);
  std::printf("flight_hours_sim %.1f h\n", sim.hours);
  std::printf("findings_per_flight_hour_shared_logs %.3f 1/h\n", shared.perHour());
  std::printf("findings_per_flight_hour_shared_sr22t_logs %.3f 1/h\n", sr22t.perHour());

  encode::ProfileOptions normal;
  normal.seed = 7;
  encode::ProfileOptions warming = normal;
  warming.events.changes.push_back({'C', 3, 1, 40});
  encode::ProfileOptions probe = normal;
  probe.events.probe = true;  // C3 opens on every flight
  const std::optional<varnix::store::AircraftLog> year = yearLog(normal), warm = yearLog(warming),
                                                  opening = yearLog(probe);
  if (!year || !warm || !opening) {
    std::fprintf(stderr, "a simulated year could not be made or read\n");
    return 1;
  }
  std::printf("logbook_open_findings_per_flight_year %.3f 1/flight\n",
              static_cast<double>(openFindings(*year)) / static_cast<double>(year->flights.size()));
  std::size_t onC3 = 0, elsewhere = 0;
  for (const auto& t : warm->trends) {
    ++(t.channel == "C3" ? onC3 : elsewhere);
    std::printf("# warming C3: %s\n", t.text.c_str());
  }
  std::printf("year_c3_warming_trend_findings_on_c3 %zu findings\n", onC3);
  std::printf("year_c3_warming_trend_findings_elsewhere %zu findings\n", elsewhere);
  std::size_t sensorIssues = 0, c3Trends = 0;
  for (const varnix::store::AircraftIssue& i : varnix::store::AircraftIssues(*opening)) {
    sensorIssues += i.kind == varnix::analysis::FindingKind::Sensor;
    std::printf("# probe year issue: %s %s, %zu flights: %s\n", std::string(varnix::analysis::KindName(i.kind)).c_str(),
                i.channel.c_str(), i.flights, i.text.c_str());
  }
  for (const auto& t : opening->trends) c3Trends += t.channel == "C3";
  std::printf("year_probe_opening_sensor_issues %zu issues\n", sensorIssues);
  std::printf("year_probe_opening_trend_findings_on_c3 %zu findings\n", c3Trends);
  return 0;
}
