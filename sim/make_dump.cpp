// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-sim make-dump: writes a dump whose flights have the shape of real
// ones, for trying the program on flights of hours instead of minutes.
#include "make_dump.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "encoder/flight_profile.h"
#include "make_maintenance.h"

namespace varnix::sim {

namespace {

constexpr const char* kEventNames = "lean, mag, quickmag, valve, probe, hot";

std::vector<std::string> commaList(const std::string& text) {
  std::vector<std::string> items;
  std::stringstream in(text);
  for (std::string item; std::getline(in, item, ',');) items.push_back(item);
  return items;
}

// "" when every name of the list is an event.
std::string checkEvents(const std::string& text) {
  for (const std::string& name : commaList(text))
    if (name != "lean" && name != "mag" && name != "quickmag" && name != "valve" && name != "probe" && name != "hot")
      return "unknown event '" + name + "'; the events are " + kEventNames;
  return "";
}

// C3 or E5: a CHT or EGT of a cylinder.
std::string checkProbeChannel(const std::string& text) {
  if (text.size() == 2 && (text[0] == 'C' || text[0] == 'E') && text[1] >= '1' && text[1] <= '9') return "";
  return "a probe is C1-C9 (a CHT) or E1-E9 (an EGT), not '" + text + "'";
}

// "C3:+1:40": cylinder 3's CHT 1 °F warmer a flight over the last 40
// flights ("E2:-0.5" an EGT cooling over every flight); "" when it reads so,
// else what is wrong.
std::string parseSlowChange(const std::string& text, sim::encode::ProfileEventOptions::SlowChange* change) {
  const std::string wrong = "a slow change is PROBE:F[:LAST], e.g. C3:+1:40 (C1-C9 a CHT, E1-E9 an EGT, F °F a flight, "
                            "over the last LAST flights), not '" + text + "'";
  const std::vector<std::string> parts = [&] {
    std::vector<std::string> p;
    std::stringstream in(text);
    for (std::string item; std::getline(in, item, ':');) p.push_back(item);
    return p;
  }();
  if (parts.size() < 2 || parts.size() > 3 || !checkProbeChannel(parts[0]).empty()) return wrong;
  sim::encode::ProfileEventOptions::SlowChange c;
  c.kind = parts[0][0];
  c.cylinder = parts[0][1] - '0';
  try {
    std::size_t used = 0;
    c.perFlight = std::stod(parts[1], &used);
    if (used != parts[1].size() || !(c.perFlight >= -50 && c.perFlight <= 50)) return wrong;
    if (parts.size() == 3) {
      const int last = std::stoi(parts[2], &used);
      if (used != parts[2].size() || last < 1) return wrong;
      c.lastFlights = last;
    }
  } catch (const std::exception&) {
    return wrong;
  }
  if (change) *change = c;
  return "";
}

}  // namespace

int makeDump(int argc, char** argv) {
  CLI::App app{"varnix-sim make-dump: writes a dump of flights with a plausible profile"};
  std::string out, layout = "single", profile = "standard";
  int flights = 1, cylinders = 6, interval = 6;
  double minutes = 60;
  unsigned seed = 1;
  app.add_option("-o,--output", out, "The .DAT file to write (never overwritten)")->required();
  app.add_option("--flights", flights, "Number of flights")->check(CLI::Range(1, 256));
  app.add_option("--minutes", minutes, "Length of each flight in minutes")->check(CLI::Range(0.1, 8450.0));
  app.add_option("--cylinders", cylinders, "Cylinders per engine")->check(CLI::IsMember({4, 6}));
  app.add_option("--layout", layout, "Channel layout")->check(CLI::IsMember({"single", "extended", "twin"}));
  app.add_option("--interval", interval, "Seconds between records")->check(CLI::Range(1, 60));
  app.add_option("--seed", seed, "Seed of the flights' small variations");
  app.add_option("--profile", profile,
      "The flight flown: standard, cruise75 (a 75 % rich-of-peak cruise), circuits (five touch-and-goes) or "
      "powered-descent (a descent at cruise RPM, MAP and fuel flow falling)")
      ->check(CLI::IsMember({"standard", "cruise75", "circuits", "powered-descent"}));
  sim::encode::ProfileEventOptions ev;
  std::string events, probeChannel = "C3";
  std::vector<double> peaks;
  app.add_option("--events", events,
      "Engine events in each flight, a comma list of lean (a leaning sweep in the cruise), mag (a run-up with two "
      "mag checks), quickmag (a quick run-up with two 3-s mag checks, for 1-s rows), valve (an oscillating EGT in the cruise), probe (a probe that opens), hot (heads at 430-445 F "
      "in the cruise)")->check(checkEvents, "EVENT,...");
  auto* dead = app.add_option("--mag-dead-cylinder", ev.magDeadCylinder,
      "mag: the cylinder whose EGT does not rise on the right mag (default 3)")->check(CLI::Range(1, 9));
  auto* peaksOption = app.add_option("--lean-peaks", peaks,
      "lean: each cylinder's peak fuel flow in GPH, from cylinder 1, e.g. 11.6,11.4,11.3,11.8,11.5,11.7")
      ->delimiter(',')->check(CLI::Range(1.0, 60.0));
  auto* spread = app.add_option("--lean-spread", ev.leanSpread,
      "lean: the peaks spread evenly over this many GPH, cylinder 1 the highest (default 0.6)")
      ->check(CLI::Range(0.0, 4.0));
  auto* valveCylinder = app.add_option("--valve-cylinder", ev.valveCylinder,
      "valve: the cylinder whose EGT oscillates (default 4)")->check(CLI::Range(1, 9));
  auto* amplitude = app.add_option("--valve-amplitude", ev.valveAmplitude,
      "valve: the swing either side in F (default 40)")->check(CLI::Range(1.0, 300.0));
  auto* period = app.add_option("--valve-period", ev.valvePeriod, "valve: the period in seconds (default 60)")
      ->check(CLI::Range(2.0, 3600.0));
  auto* probeOption = app.add_option("--probe-channel", probeChannel,
      "probe: the channel that opens, C1-C9 (CHT) or E1-E9 (EGT) (default C3)")->check(checkProbeChannel, "C3");
  auto* minute = app.add_option("--probe-minute", ev.probeMinute,
      "probe: the minute of the flight at which it opens (default: half the flight)")->check(CLI::Range(0.0, 8450.0));
  auto* flap = app.add_option("--probe-flap", ev.probeFlapSeconds,
      "probe: seconds it flaps between no value and its reading before it stays open (default 120)")
      ->check(CLI::Range(0.0, 36000.0));
  auto* driftCylinder = app.add_option("--drift-cylinder", ev.driftCylinder,
      "The cylinder whose cruise CHT and EGT drift from flight to flight (with --drift)")->check(CLI::Range(1, 9));
  app.add_option("--drift", ev.drift, "F added per flight to the drifting cylinder's cruise CHT and EGT")
      ->needs(driftCylinder)->check(CLI::Range(-50.0, 50.0));
  int historyDays = 0;
  std::vector<std::string> slowChanges;
  auto* historyOption = app.add_option("--history", historyDays,
      "Make DAYS of one aircraft's history: the flights (default one every three days) spread over the days from "
      "3 June 2024, each at its own time of day, around the season's outside air, heads and EGTs, their variations "
      "random for each flight (from --seed), one engine's cylinders throughout")->check(CLI::Range(1, 3650));
  auto* flightsOption = app.get_option("--flights");
  app.add_option("--slow-change", slowChanges,
      "PROBE:F[:LAST], repeatable: the probe's cruise reading (C1-C9 a CHT, E1-E9 an EGT) grows by F degrees F in "
      "each of the dump's last LAST flights (default: every flight), e.g. C3:+1:40 warms the C3 head 1 F a flight "
      "over the last 40 flights")->check([](const std::string& t) { return parseSlowChange(t, nullptr); }, "PROBE:F[:LAST]");
  SimulatedMaintenance maintenance;
  std::string injector;
  double oilRate = 0, fuelError = 0;
  auto* injectorOption = app.add_option("--maintenance-injector", injector,
      "CYLINDER:DEGREES[:FLIGHT]: write maintenance.csv beside the dump with the cylinder's injector cleaned on the "
      "day of flight FLIGHT (default: the middle one), its cruise CHT DEGREES F cooler from that flight on")
      ->check([](const std::string& t) { return ParseInjector(t, nullptr); }, "CYLINDER:DEGREES[:FLIGHT]");
  auto* oilOption = app.add_option("--oil-rate", oilRate,
      "QTPH: write maintenance.csv beside the dump with an oil change at the first flight and the oil the engine "
      "used at QTPH quarts an hour added every fifth flight")->check(CLI::Range(0.0, 10.0));
  auto* fuelOption = app.add_option("--fuel-error", fuelError,
      "PCT: write maintenance.csv beside the dump with a fill to full every third flight, the flights' fuel flow "
      "adding up to PCT % more than the fuel pumped (a transducer reading high)")->check(CLI::Range(-50.0, 50.0));
  CLI11_PARSE(app, argc, argv);
  if (injectorOption->count() > 0) {
    SimulatedMaintenance::Injector j;
    (void)ParseInjector(injector, &j);
    if (j.cylinder > cylinders) {
      std::fprintf(stderr, "--maintenance-injector %s: the engine has %d cylinders\n", injector.c_str(), cylinders);
      return 2;
    }
    maintenance.injector = j;
  }
  if (oilOption->count() > 0) maintenance.oilRate = oilRate;
  if (fuelOption->count() > 0) maintenance.fuelError = fuelError;
  for (const std::string& text : slowChanges) {
    sim::encode::ProfileEventOptions::SlowChange c;
    (void)parseSlowChange(text, &c);
    if (c.cylinder > cylinders) {
      std::fprintf(stderr, "--slow-change %s: the engine has %d cylinders\n", text.c_str(), cylinders);
      return 2;
    }
    ev.changes.push_back(c);
  }
  if (historyOption->count() > 0 && flightsOption->count() == 0) flights = std::clamp(historyDays / 3, 1, 256);
  if (maintenance.injector) ev.changes.push_back(InjectorStep(*maintenance.injector, flights));

  for (const std::string& name : commaList(events)) {
    ev.mag = ev.mag || name == "mag";
    ev.quickMag = ev.quickMag || name == "quickmag";
    ev.lean = ev.lean || name == "lean";
    ev.valve = ev.valve || name == "valve";
    ev.probe = ev.probe || name == "probe";
    ev.hot = ev.hot || name == "hot";
  }
  // An event's setting without the event is a mistake the user should hear of.
  const struct {
    CLI::Option* option;
    bool event;
    const char* name;
  } settings[] = {{dead, ev.mag, "mag"},         {peaksOption, ev.lean, "lean"}, {spread, ev.lean, "lean"},
                  {valveCylinder, ev.valve, "valve"}, {amplitude, ev.valve, "valve"}, {period, ev.valve, "valve"},
                  {probeOption, ev.probe, "probe"}, {minute, ev.probe, "probe"},   {flap, ev.probe, "probe"}};
  for (const auto& s : settings)
    if (s.option->count() > 0 && !s.event) {
      std::fprintf(stderr, "%s needs --events %s\n", s.option->get_name().c_str(), s.name);
      return 2;
    }
  const int cylinderCount = cylinders;
  const struct {
    CLI::Option* option;
    int cylinder;
  } numbered[] = {{dead, ev.magDeadCylinder}, {valveCylinder, ev.valveCylinder}, {driftCylinder, ev.driftCylinder},
                  {probeOption, probeChannel[1] - '0'}};
  for (const auto& n : numbered)
    if (n.option->count() > 0 && n.cylinder > cylinderCount) {
      std::fprintf(stderr, "%s: the engine has %d cylinders\n", n.option->get_name().c_str(), cylinderCount);
      return 2;
    }
  if (!peaks.empty() && static_cast<int>(peaks.size()) != cylinderCount) {
    std::fprintf(stderr, "--lean-peaks: %zu peaks for %d cylinders\n", peaks.size(), cylinderCount);
    return 2;
  }
  if (peaksOption->count() > 0 && spread->count() > 0) {
    std::fprintf(stderr, "--lean-peaks and --lean-spread: one or the other\n");
    return 2;
  }
  if (ev.mag && ev.quickMag) {
    std::fprintf(stderr, "--events: mag or quickmag, not both\n");
    return 2;
  }
  ev.leanPeaks = peaks;
  ev.probeKind = probeChannel[0];
  ev.probeCylinder = probeChannel[1] - '0';

  if (std::filesystem::exists(out)) {
    std::fprintf(stderr, "%s exists; it is left as it is\n", out.c_str());
    return 1;
  }
  const std::filesystem::path maintenanceFile = std::filesystem::path(out).parent_path() / "maintenance.csv";
  if (maintenance.any() && std::filesystem::exists(maintenanceFile)) {
    std::fprintf(stderr, "%s exists; it is left as it is\n", maintenanceFile.string().c_str());
    return 1;
  }
  sim::encode::ProfileOptions o;
  o.layout = layout == "twin" ? sim::encode::ProfileLayout::Twin
             : layout == "extended" ? sim::encode::ProfileLayout::Extended
                                    : sim::encode::ProfileLayout::Single;
  o.shape = profile == "cruise75"          ? sim::encode::ProfileShape::Cruise75
            : profile == "circuits"        ? sim::encode::ProfileShape::Circuits
            : profile == "powered-descent" ? sim::encode::ProfileShape::PoweredDescent
                                           : sim::encode::ProfileShape::Standard;
  o.cylinders = cylinders;
  o.minutes = minutes;
  o.interval = interval;
  o.seed = seed;
  o.flightNumber = 1;
  o.events = ev;
  o.history.days = historyDays;
  std::vector<sim::encode::ProfileEvents> truth;
  const sim::encode::DumpPlan plan = sim::encode::ProfileDump(o, flights, "N123AB", &truth);
  sim::encode::DumpBuilder dump;
  dump.text(sim::encode::assembleDump(plan));
  dump.writeTo(out);
  if (!std::filesystem::exists(out) || std::filesystem::file_size(out) != dump.size()) {
    std::fprintf(stderr, "cannot write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %d flight(s) of %g minutes, %zu bytes\n", out.c_str(), flights, minutes, dump.size());
  if (maintenance.any()) {
    const std::string text = MaintenanceCsv(maintenance, plan, truth, minutes);
    std::FILE* f = std::fopen(maintenanceFile.string().c_str(), "wbx");
    const bool written = f && std::fwrite(text.data(), 1, text.size(), f) == text.size();
    if (f && std::fclose(f) != 0) return 1;
    if (!written) {
      std::fprintf(stderr, "cannot write %s\n", maintenanceFile.string().c_str());
      return 1;
    }
    std::printf("%s: the flights' maintenance\n", maintenanceFile.string().c_str());
  }
  return 0;
}

}  // namespace varnix::sim
