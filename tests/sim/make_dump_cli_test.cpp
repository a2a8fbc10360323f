// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-sim make-dump, run as a user runs it: the events and their settings
// reach the flight profile, and what does not fit is refused with a message
// before any file is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "encoder/flight_profile.h"
#include "support/cli_run.h"
#include "support/dump_builder.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

TEST(SimMakeDump, EventsAndTheirSettingsMakeTheProfilesFlights) {
  struct Case {
    const char* name;
    std::string args;
    sim::encode::ProfileOptions o;
    int flights;
  };
  auto with = [](auto change) {
    sim::encode::ProfileOptions o;
    change(o);
    return o;
  };
  const Case cases[] = {
      {"no events", "--minutes 20 --seed 3", with([](auto& o) { o.minutes = 20, o.seed = 3; }), 1},
      {"every event, defaults", "--events lean,mag,valve,probe,hot --flights 2",
       with([](auto& o) { o.events.lean = o.events.mag = o.events.valve = o.events.probe = o.events.hot = true; }), 2},
      {"every setting",
       "--events mag,valve,probe,lean --cylinders 4 --interval 2 --minutes 30 --mag-dead-cylinder 2 "
       "--lean-peaks 8.1,7.9,7.7,8.0 --valve-cylinder 1 --valve-amplitude 30 --valve-period 45 "
       "--probe-channel E4 --probe-minute 12.5 --probe-flap 30",
       with([](auto& o) {
         o.cylinders = 4, o.interval = 2, o.minutes = 30;
         o.events.mag = o.events.valve = o.events.probe = o.events.lean = true;
         o.events.magDeadCylinder = 2;
         o.events.leanPeaks = {8.1, 7.9, 7.7, 8.0};
         o.events.valveCylinder = 1, o.events.valveAmplitude = 30, o.events.valvePeriod = 45;
         o.events.probeKind = 'E', o.events.probeCylinder = 4, o.events.probeMinute = 12.5;
         o.events.probeFlapSeconds = 30;
       }),
       1},
      {"a spread, twin", "--events lean --lean-spread 1.1 --layout twin --minutes 15",
       with([](auto& o) {
         o.layout = sim::encode::ProfileLayout::Twin, o.minutes = 15;
         o.events.lean = true, o.events.leanSpread = 1.1;
       }),
       1},
      {"a quick run-up at 1 s", "--events quickmag,lean --interval 1 --minutes 20",
       with([](auto& o) { o.interval = 1, o.minutes = 20, o.events.quickMag = o.events.lean = true; }), 1},
      {"a drift over flights", "--drift-cylinder 5 --drift 3 --flights 4 --minutes 10",
       with([](auto& o) { o.minutes = 10, o.events.driftCylinder = 5, o.events.drift = 3; }), 4},
      {"a year's history with slow changes: a flight every three days",
       "--history 365 --slow-change C3:+1:40 --slow-change E5:-0.5 --minutes 10",
       with([](auto& o) {
         o.minutes = 10, o.history.days = 365;
         o.events.changes = {{'C', 3, 1, 40}, {'E', 5, -0.5, 0}};
       }),
       121},
      {"a month's history of the flights asked for", "--history 30 --flights 12 --minutes 5 --layout twin",
       with([](auto& o) { o.minutes = 5, o.history.days = 30, o.layout = sim::encode::ProfileLayout::Twin; }), 12},
      {"a slow change without a history", "--slow-change C2:2:3 --flights 5 --minutes 5",
       with([](auto& o) { o.minutes = 5, o.events.changes = {{'C', 2, 2, 3}}; }), 5},
      {"an injector cleaned: a step from its flight on", "--history 30 --flights 10 --minutes 5 "
       "--maintenance-injector 3:25:6",
       with([](auto& o) {
         o.minutes = 5, o.history.days = 30;
         o.events.changes = {{'C', 3, -25, 5, true}};
       }),
       10},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const CliRun run = runCli(VARNIX_SIM, dir, "make-dump -o " + quoted(dir.file("E.DAT")) + " " + c.args);
    ASSERT_EQ(run.exit, 0) << run.err;
    EXPECT_TRUE(readFile(dir.file("E.DAT")) == sim::encode::assembleDump(sim::encode::ProfileDump(c.o, c.flights)));
  }
}

TEST(SimMakeDump, RefusesEventsAndSettingsThatDoNotFit) {
  struct Case {
    const char* args;
    int exit;
    const char* message;  // on stderr
  };
  const Case cases[] = {
      {"--events lean,spin", 105, "--events: unknown event 'spin'; the events are lean, mag, quickmag, valve, probe, hot"},
      {"--events mag,quickmag", 2, "--events: mag or quickmag, not both"},
      {"--events lean,,mag", 105, "unknown event ''"},
      {"--events Lean", 105, "unknown event 'Lean'"},
      {"--valve-cylinder 2", 2, "--valve-cylinder needs --events valve"},
      {"--events mag --lean-spread 1", 2, "--lean-spread needs --events lean"},
      {"--events mag --probe-minute 3", 2, "--probe-minute needs --events probe"},
      {"--events lean --lean-peaks 11,12", 2, "--lean-peaks: 2 peaks for 6 cylinders"},
      {"--events lean --lean-peaks 11,12,11,12 --lean-spread 1 --cylinders 4", 2,
       "--lean-peaks and --lean-spread: one or the other"},
      {"--events mag --cylinders 4 --mag-dead-cylinder 5", 2, "--mag-dead-cylinder: the engine has 4 cylinders"},
      {"--events probe --probe-channel C7", 2, "--probe-channel: the engine has 6 cylinders"},
      {"--events probe --probe-channel T1", 105, "a probe is C1-C9 (a CHT) or E1-E9 (an EGT), not 'T1'"},
      {"--drift 3", 107, "--drift requires --drift-cylinder"},
      {"--slow-change C3:x", 105, "a slow change is PROBE:F[:LAST], e.g. C3:+1:40"},
      {"--slow-change C3:1:0", 105, "not 'C3:1:0'"},
      {"--slow-change T3:1", 105, "not 'T3:1'"},
      {"--slow-change C3", 105, "not 'C3'"},
      {"--slow-change C5:1 --cylinders 4", 2, "--slow-change C5:1: the engine has 4 cylinders"},
      {"--history 0", 105, "--history"},
      {"--maintenance-injector 3", 105, "an injector is CYLINDER:DEGREES[:FLIGHT]"},
      {"--maintenance-injector 3:25:0", 105, "not '3:25:0'"},
      {"--maintenance-injector 7:25 --cylinders 6", 2, "--maintenance-injector 7:25: the engine has 6 cylinders"},
      {"--oil-rate -1", 105, "--oil-rate"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    TempDir dir;
    const CliRun run = runCli(VARNIX_SIM, dir, "make-dump -o " + quoted(dir.file("E.DAT")) + " " + c.args);
    EXPECT_EQ(run.exit, c.exit);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("E.DAT")));
    EXPECT_FALSE(std::filesystem::exists(dir.file("maintenance.csv")));
  }
}

#ifdef VARNIX_CLI
// The maintenance.csv written beside a simulated history, read back by
// `varnix-cli logbook --json` with the flights: the work, the oil and the
// fuel it was made to tell, and nothing raised where the work did nothing.
TEST(SimMakeDump, TheMaintenanceLogTellsWhatTheHistoryWasMadeWith) {
  struct Case {
    const char* name;
    std::string args;
    std::string verdict;        // of C3's cruise CHT after the injector entry; "" without one
    double difference;          // its after - before, °F
    bool changeNamesEntry;      // a change finding on C3 names the entry
    std::optional<double> oil;  // each interval's qt/h
    std::optional<double> fuel; // the mean error in %
  };
  const Case cases[] = {
      {"C3's injector cleaned, its head 25 F cooler", "--maintenance-injector 3:25:45", "helped", -25, true, {}, {}},
      {"work that did nothing raises nothing", "--maintenance-injector 3:0:45 --oil-rate 0.5", "made no difference", 0,
       false, 0.5, {}},
      {"oil at 0.5 qt/h and a transducer 6 % high", "--oil-rate 0.5 --fuel-error 6", "", 0, false, 0.5, 6},
      {"a transducer 4 % low", "--fuel-error -4", "", 0, false, {}, -4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const CliRun made = runCli(VARNIX_SIM, dir, "make-dump -o " + quoted(dir.file("E.DAT")) +
                                                    " --history 180 --minutes 60 --seed 4 " + c.args);
    ASSERT_EQ(made.exit, 0) << made.err;
    const std::vector<std::string> files = expandedFlights(dir, readFile(dir.file("E.DAT")));
    ASSERT_EQ(files.size(), 60u);
    const std::string folder = std::filesystem::path(files.front()).parent_path().string();
    std::filesystem::rename(dir.file("maintenance.csv"), folder + "/maintenance.csv");
    const CliRun run = runCli(VARNIX_CLI, dir, "logbook --json " + quoted(dir.file("data")));
    ASSERT_EQ(run.exit, 0) << run.err;
    const nlohmann::json out = nlohmann::json::parse(run.out);
    const nlohmann::json& aircraft = out["aircraft"][0];
    EXPECT_TRUE(out["unreadable"].empty());
    // What the work did, with its figures.
    bool sawEffect = false;
    for (const auto& m : aircraft["maintenance"])
      for (const auto& e : m["effects"])
        if (m["kind"] == "injector" && e["channel"] == "C3" && e["figure"] == "cruise CHT") {
          sawEffect = true;
          EXPECT_EQ(e["verdict"], c.verdict);
          EXPECT_NEAR(e["difference"].get<double>(), c.difference, 4);
          EXPECT_EQ(e["flights_before"], 10);
          EXPECT_EQ(e["flights_after"], 10);
          EXPECT_NE(e["text"].get<std::string>().find("after 'injector 3 cleaned' on "), std::string::npos);
        }
    EXPECT_EQ(sawEffect, !c.verdict.empty());
    bool named = false;
    for (const auto& t : out["trends"]) {
      const bool namesEntry = t["finding"]["text"].get<std::string>().find("after 'injector 3 cleaned'") != std::string::npos;
      named = named || (t["finding"]["channel"] == "C3" && namesEntry);
      EXPECT_TRUE(t["finding"]["acknowledged"].get<bool>()) << t["finding"]["text"];  // none is a new problem
    }
    EXPECT_EQ(named, c.changeNamesEntry);
    EXPECT_TRUE(aircraft["issues"].empty()) << aircraft["issues"].dump();
    // The oil's rate in every interval, the transducer's error and the factor that corrects it.
    EXPECT_EQ(aircraft["oil_consumption"].empty(), !c.oil);
    for (const auto& i : aircraft["oil_consumption"]) EXPECT_NEAR(i["rate"].get<double>(), *c.oil, 0.05);
    const nlohmann::json& fuel = aircraft["fuel_flow"];
    ASSERT_EQ(fuel["mean_error_percent"].is_null(), !c.fuel) << fuel.dump();
    if (c.fuel) {
      EXPECT_NEAR(fuel["mean_error_percent"].get<double>(), *c.fuel, 1);
      EXPECT_NEAR(fuel["corrected_factor"].get<double>(), 1 + *c.fuel / 100, 0.01);
    }
  }
}
#endif

}  // namespace
}  // namespace varnix::test
