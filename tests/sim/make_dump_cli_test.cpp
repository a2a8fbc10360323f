// SPDX-License-Identifier: GPL-3.0-or-later
// varnix-sim make-dump, run as a user runs it: the events and their settings
// reach the flight profile, and what does not fit is refused with a message
// before any file is written.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "encoder/flight_profile.h"
#include "support/cli_run.h"
#include "support/dump_builder.h"

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
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    TempDir dir;
    const CliRun run = runCli(VARNIX_SIM, dir, "make-dump -o " + quoted(dir.file("E.DAT")) + " " + c.args);
    EXPECT_EQ(run.exit, c.exit);
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir.file("E.DAT")));
  }
}

}  // namespace
}  // namespace varnix::test
