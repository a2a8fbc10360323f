// SPDX-License-Identifier: GPL-3.0-or-later
// The probe hint ("look at the probe or its wiring") on whole flights: what
// every cylinder does together (the start, takeoff power, a lean pull, a
// throttle cut, a mag check, a hot day) is the engine and never blames a
// probe, at any row interval, single or twin; a probe that opens still gets
// the hint. The real avionics logs, normal flights all, raise none.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "analysis/cylinder_hints.h"
#include "analysis/findings.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "shared_logs.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using analysis::Finding;
using analysis::FindingKind;
using sim::encode::ProfileLayout;
using sim::encode::ProfileOptions;
using sim::encode::ProfileShape;

bool blamesProbe(const Finding& f) {
  return f.hint.find("probe") != std::string::npos || f.text.find("probe or its wiring") != std::string::npos;
}

std::string listed(const std::vector<Finding>& found) {
  std::string out;
  for (const Finding& f : found)
    out += std::string(analysis::KindName(f.kind)) + " " + f.channel + ": " + f.text + " [" + f.hint + "]; ";
  return out;
}

const char* engineName(flight::Engine e) {
  return e == flight::Engine::Left ? "left" : e == flight::Engine::Right ? "right" : "only";
}

// The flight's findings, and the hint each cylinder would give a finding of its
// own: a cylinder's hint holds whether or not a limit was crossed.
struct Judged {
  std::vector<Finding> findings;
  std::vector<std::string> probeHints;  // "LE3: look at ..." for every cylinder whose hint blames its probe
};

Judged judged(const flight::Flight& flight) {
  const analysis::FlightDigest d = analysis::DigestFlight(flight);
  const analysis::Limits limits;
  Judged j{analysis::EvaluateFindings(d, limits), {}};
  for (const analysis::CylinderState& c : d.cylinders)
    if (const std::string hint = analysis::CylinderHint(c, limits, d.engineUnit); hint.find("probe") != std::string::npos)
      j.probeHints.push_back(std::string(engineName(c.engine)) + " " + std::to_string(c.cylinder) + ": " + hint);
  return j;
}

TEST(ProbeHints, OnlyAProbeThatDisagreesWithItsNeighboursIsBlamed) {
  enum class Probe { None, OpensEgt, OpensCht, LooseEgt };
  struct Case {
    const char* what;
    ProfileShape shape = ProfileShape::Standard;
    void (*events)(sim::encode::ProfileEventOptions&) = nullptr;
    Probe probe = Probe::None;  // cylinder 3's, of the left (or only) engine: only it may be blamed
  };
  const Case cases[] = {
      {"start, taxi, run-up, takeoff and a leaned cruise"},
      {"a takeoff at full power and a 75 % rich cruise", ProfileShape::Cruise75},
      {"five touch-and-goes, the throttle cut at each", ProfileShape::Circuits},
      {"a descent at cruise RPM, the power cut in two steps", ProfileShape::PoweredDescent},
      {"a lean pull in the cruise", ProfileShape::Standard, [](auto& e) { e.lean = true; }},
      {"a run-up with mag checks, one plug dead", ProfileShape::Standard, [](auto& e) { e.mag = true; }},
      {"a quick run-up with 3-s mag checks", ProfileShape::Standard, [](auto& e) { e.quickMag = true; }},
      {"a hot day", ProfileShape::Standard, [](auto& e) { e.hot = true; }},
      {"a swinging exhaust valve is the cylinder, not its probe", ProfileShape::Standard,
       [](auto& e) { e.valve = true; }},
      {"the mag checks and a lean pull of a touch-and-go hour", ProfileShape::Circuits,
       [](auto& e) { e.mag = e.lean = true; }},
      {"an EGT probe that opens in the cruise", ProfileShape::Standard, nullptr, Probe::OpensEgt},
      {"a CHT probe that opens in the cruise", ProfileShape::Cruise75, nullptr, Probe::OpensCht},
      {"an EGT probe that reads 150 °F low for a row, four times in the cruise", ProfileShape::Standard, nullptr,
       Probe::LooseEgt},
  };
  for (const ProfileLayout layout : {ProfileLayout::Single, ProfileLayout::Twin})
    for (const int interval : {1, 2, 6})
      for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.what) + (layout == ProfileLayout::Twin ? ", twin" : ", single") + ", " +
                     std::to_string(interval) + "-s rows");
        ProfileOptions o = shortFlight(layout, 60);
        o.shape = c.shape;
        o.interval = interval;
        if (c.events) c.events(o.events);
        const bool opens = c.probe == Probe::OpensEgt || c.probe == Probe::OpensCht;
        if (opens) {
          o.events.probe = true;
          o.events.probeKind = c.probe == Probe::OpensEgt ? 'E' : 'C';
          o.events.probeCylinder = 3;
        }
        TempDir dir;
        std::vector<sim::encode::ProfileEvents> truth;
        const std::vector<std::string> files =
            expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1, "N123AB", &truth)));
        ASSERT_EQ(files.size(), 1u);
        flight::FlightRead read = flight::OpenFlight(files[0]);
        ASSERT_TRUE(read.ok()) << read.problem;
        flight::Flight& flight = read.value;
        const std::string side = layout == ProfileLayout::Twin ? "L" : "";
        if (c.probe == Probe::LooseEgt) {
          const int e3 = flight.channelIndex(side + "E3");
          ASSERT_GE(e3, 0);
          const double from = truth[0].cruiseStart, to = truth[0].cruiseEnd;
          for (int k = 1; k <= 4; ++k) flight.columns[static_cast<std::size_t>(e3)][flight.rowAt(from + k * (to - from) / 5)] -= 150;
        }
        const Judged j = judged(flight);
        std::string hints;
        for (const std::string& h : j.probeHints) hints += h + "; ";
        if (c.probe == Probe::LooseEgt) {
          ASSERT_EQ(j.probeHints.size(), 1u) << hints;
          EXPECT_EQ(j.probeHints[0].find(layout == ProfileLayout::Twin ? "left 3: " : "only 3: "), 0u) << hints;
          EXPECT_NE(j.probeHints[0].find("EGT"), std::string::npos) << hints;
        } else {
          EXPECT_TRUE(j.probeHints.empty()) << hints;
        }
        const std::string opened = opens ? side + (c.probe == Probe::OpensEgt ? "E3" : "C3") : "";
        bool sensorSeen = false;
        for (const Finding& f : j.findings) {
          if (f.kind == FindingKind::Sensor) {
            EXPECT_EQ(f.channel, opened) << listed(j.findings);
            EXPECT_EQ(f.hint, "look at the probe or its wiring") << listed(j.findings);
            sensorSeen = true;
          } else if (f.cylinder != 3 || c.probe == Probe::None) {
            EXPECT_FALSE(blamesProbe(f)) << listed(j.findings);
          }
        }
        EXPECT_EQ(sensorSeen, opens) << listed(j.findings);
      }
}

// Normal flights by other makers' instruments: nothing there reads like a probe's fault.
TEST(ProbeHints, TheRealLogsBlameNoProbe) {
  for (const SharedLog& log : SharedLogs()) {
    SCOPED_TRACE(log.file);
    const flight::FlightRead read = flight::OpenFlight(SharedLogPath(log));
    ASSERT_TRUE(read.ok()) << read.problem;
    const Judged j = judged(read.value);
    for (const std::string& h : j.probeHints) ADD_FAILURE() << h;
    for (const Finding& f : j.findings) {
      EXPECT_NE(f.kind, FindingKind::Sensor) << listed(j.findings);
      EXPECT_FALSE(blamesProbe(f)) << listed(j.findings);
    }
  }
}

}  // namespace
}  // namespace varnix::test
