// SPDX-License-Identifier: GPL-3.0-or-later
// The analysis version stays honest: what the analysis gives for the
// bundled samples (every summary figure, digest value, headline figure and
// finding, written out with nine significant digits) hashes to the digest
// stored beside kAnalysisVersion. A change to the analysis's output fails
// here until both are bumped, so that catalogs compute their entries again.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "analysis/analysis_version.h"
#include "analysis/findings.h"
#include "analysis/flight_analysis.h"
#include "flight/flight_reader.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

// Everything one flight's analysis gives, as text: six significant digits, so that
// a 32-bit build computing in x87 registers writes the same text.
class Dump {
 public:
  void add(const char* format, ...) {
    char buf[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buf, sizeof buf, format, args);
    va_end(args);
    text += buf;
  }
  void figure(const char* what, const analysis::Figure& f) {
    add("%s %s %s %.6g %.6g %d %d\n", what, f.key.c_str(), f.channel.c_str(), f.value, f.at, f.cylinder,
        static_cast<int>(f.engine));
  }
  void extreme(const analysis::Extreme& e) {
    add("extreme %s %s %.6g %.6g %d %d %d\n", e.key.c_str(), e.channel.c_str(), e.value, e.at,
        static_cast<int>(e.kind), static_cast<int>(e.engine), e.lowest);
  }
  void values(const char* what, const std::vector<float>& v) {
    add("%s", what);
    for (float x : v) add(" %.6g", x);
    add("\n");
  }
  std::string text;
};

std::string analysed(const flight::Flight& f) {
  const analysis::FlightAnalysis a = analysis::AnalyseFlight(f);
  Dump d;
  const analysis::FlightSummary& s = a.summary;
  d.add("flight %s rows %llu recorded %.6g\n", f.facts.flightLabel.c_str(), static_cast<unsigned long long>(f.rows()),
        s.recordedSeconds);
  for (std::size_t c = 0; c < s.channels.size(); ++c) {
    const analysis::ChannelStats& st = s.channels[c];
    d.add("stats %s %llu %.6g %.6g %.6g %.6g %.6g\n", f.channels[c].name.c_str(),
          static_cast<unsigned long long>(st.count), st.min, st.max, st.mean, st.maxAt, st.minAt);
  }
  for (const auto* list : {&s.hottest, &s.maxSpread, &s.fastestCooling, &s.battery})
    for (const analysis::Extreme& e : *list) d.extreme(e);
  for (const analysis::FuelUsed& u : s.fuel)
    d.add("fuel %d %.6g %d\n", static_cast<int>(u.engine), u.amount, u.fromUsd);
  const analysis::FlightDigest& g = a.digest;
  d.add("digest %s %.6g %.6g %d %.6g %.6g\n", std::string(analysis::TemperatureLetter(g.engineUnit)).c_str(),
        g.startOfDay, g.recordedSeconds, g.cruiseSteady, g.cruiseStart, g.cruiseEnd);
  for (const analysis::Envelope& e : g.envelopes) {
    d.add("envelope %s %d %d %d %.6g\n", e.channel.c_str(), static_cast<int>(e.kind), static_cast<int>(e.engine),
          e.derived, e.median);
    d.values("min", e.min);
    d.values("max", e.max);
    d.values("minAt", e.minAt);
    d.values("maxAt", e.maxAt);
  }
  for (const analysis::CruiseEgt& e : g.cruise)
    d.add("cruise %s %d %d %.6g %.6g %.6g\n", e.channel.c_str(), e.cylinder, static_cast<int>(e.engine), e.mean,
          e.deviation, e.peakAt);
  for (const analysis::CruiseMean& m : g.cruiseMeans)
    d.add("cruisemean %s %d %.6g\n", m.channel.c_str(), static_cast<int>(m.kind), m.mean);
  d.add("cruisefigures %.6g %.6g %.6g\n", g.cruisePower, g.cruiseOat, g.cruiseBattery);
  d.add("phases %d %.6g %.6g %.6g\n", g.phasesKnown, g.engineStartAt, g.warmupEnd, g.shutdownAt);
  for (const analysis::TimeSpan& t : g.ground) d.add("ground %.6g %.6g\n", t.start, t.end);
  for (const analysis::SensorFaultSpan& t : g.sensorFaults)
    d.add("fault %s %.6g %.6g\n", t.channel.c_str(), t.start, t.end);
  for (const analysis::CylinderState& c : g.cylinders)
    d.add("cylinder %d %d %.6g %.6g %.6g %u %u\n", static_cast<int>(c.engine), c.cylinder, c.egtDeviation,
          c.chtDeviation, c.earlyChtDeviation, c.egtSteps, c.chtSteps);
  const analysis::Headline& h = a.headline;
  d.figure("egt", h.hottestEgt);
  d.figure("cht", h.hottestCht);
  d.figure("tit", h.hottestTit);
  d.figure("dif", h.difMax);
  d.figure("cooling", h.fastestCooling);
  d.figure("battery", h.batteryMin);
  for (const analysis::Figure& x : h.hottest) d.figure("hottest", x);
  for (const analysis::Figure& x : h.maxCht) d.figure("maxcht", x);
  d.add("fuelused %.6g\n", h.fuelUsed);
  for (const analysis::Finding& x : analysis::EvaluateFindings(g, analysis::Limits{}))
    d.add("finding %s %s %s %.6g %.6g %.6g %.6g %s\n", std::string(analysis::KindName(x.kind)).c_str(),
          x.channel.c_str(), std::string(analysis::SeverityName(x.severity)).c_str(), x.start, x.end, x.peak, x.peakAt,
          x.text.c_str());
  for (const analysis::Finding& x : analysis::EvaluateFindings(g, analysis::Limits{}))
    d.add("finding %s %.6g %.6g %d %s\n", x.channel.c_str(), x.timeAbove, x.excess, x.cylinder, x.hint.c_str());
  return d.text;
}

std::uint64_t fnv1a(const std::string& s) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
  return h;
}

TEST(AnalysisVersion, TheBundledSamplesGiveTheStoredDigest) {
  std::string all;
  for (const char* sample : {"SAMPLE.DAT", "HOUR6.DAT"}) {
    TempDir dir;
    const std::vector<std::string> files =
        expandedFlights(dir, readFile(std::string(VARNIX_SOURCE_DIR) + "/samples/" + sample));
    ASSERT_FALSE(files.empty()) << sample;
    for (const std::string& file : files) {
      const flight::FlightRead read = flight::ReadFlightFile(file);
      ASSERT_TRUE(read.ok()) << file << ": " << read.problem;
      all += std::string(sample) + " " + std::filesystem::path(file).filename().string() + "\n";
      all += analysed(read.value);
    }
  }
  const std::uint64_t digest = fnv1a(all);
  if (digest != analysis::kAnalysisDigest) {
    std::fprintf(stderr, "the digest of the analysis output: 0x%016llx\n", static_cast<unsigned long long>(digest));
    FAIL() << "analysis output changed: bump the analysis version and the stored digest";
  }
}

}  // namespace
}  // namespace varnix::test
