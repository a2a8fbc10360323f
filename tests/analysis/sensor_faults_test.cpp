// SPDX-License-Identifier: GPL-3.0-or-later
// Sensor faults on flights built in memory (one fault, or a look-alike that
// is none, per case), on the simulator's flights through the encoder and on
// the real avionics log: clean flights have no fault.
#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <optional>

#include "analysis/findings.h"
#include "analysis/sensor_faults.h"
#include "encoder/flight_profile.h"
#include "flight/open_flight.h"
#include "sensor_valve_flights.h"
#include "support/flight_files.h"

namespace varnix::test {
namespace {

using flight::ChannelKind;
using analysis::SensorFault;
using analysis::SensorFaultKind;
using flight::Unit;

constexpr int kCylinders = 6;
constexpr std::size_t kRows = 600;  // an hour at 6 s
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

enum class Power { Rpm, FuelFlowOnly, EgtOnly };

// The channels: E1-E6, C1-C6, then RPM or fuel flow (or neither).
std::vector<flight::Channel> engineChannels(char unit, Power power) {
  std::vector<flight::Channel> ch;
  for (int c = 1; c <= kCylinders; ++c) ch.push_back(temperatureChannel(ChannelKind::Egt, c, unit));
  for (int c = 1; c <= kCylinders; ++c) ch.push_back(temperatureChannel(ChannelKind::Cht, c, unit));
  if (power == Power::Rpm) ch.push_back(plainChannel("RPM", ChannelKind::Rpm, Unit::Rpm));
  if (power == Power::FuelFlowOnly) ch.push_back(plainChannel("FF", ChannelKind::FuelFlow, Unit::GallonsPerHour));
  return ch;
}

// A clean engine in °F: stopped for the first and last two minutes, EGTs
// about 1400 and CHTs about 360 with their own offsets, noise and a slow
// common drift.
double cleanValue(std::size_t c, std::size_t r, double t) {
  const bool running = r >= 20 && r < kRows - 20;
  const double drift = 20 * std::sin(t / 900);
  if (c < kCylinders) return running ? 1400 + 12.0 * static_cast<double>(c) + drift + 6 * noise(c, r) : 70;
  if (c < 2 * kCylinders) return running ? 360 + 5.0 * static_cast<double>(c - kCylinders) + drift / 4 + 2 * noise(c, r) : 70;
  return running ? 2400 + 10 * noise(c, r) : 0;  // RPM
}

double toCelsius(double f) { return (f - 32) * 5 / 9; }

struct Change {
  int channel;           // index: 0-5 E1-E6, 6-11 C1-C6
  std::size_t from, to;  // rows, inclusive
  std::function<double(double clean, std::size_t row)> value;
};

std::function<double(double, std::size_t)> add(double d) {
  return [d](double v, std::size_t) { return v + d; };
}
std::function<double(double, std::size_t)> set(double x) {
  return [x](double, std::size_t) { return x; };
}

flight::Flight faultyFlight(const std::vector<Change>& changes, char unit = 'F', Power power = Power::Rpm) {
  return builtFlight(engineChannels(unit, power), kRows, 6, [&](std::size_t c, std::size_t r, double t) {
    if (c == 2 * kCylinders) {
      const bool running = r >= 20 && r < kRows - 20;
      return static_cast<float>(power == Power::Rpm ? cleanValue(c, r, t) : running ? 12.0 : 0.0);
    }
    double v = cleanValue(c, r, t);
    for (const Change& x : changes)
      if (static_cast<std::size_t>(x.channel) == c && r >= x.from && r <= x.to) v = x.value(v, r);
    if (std::isnan(v)) return kNan;
    return static_cast<float>(unit == 'C' && v != 0 ? toCelsius(v) : v);
  }, unit);
}

TEST(SensorFaults, EachFaultIsOneSpanAndLookAlikesAreNone) {
  struct Case {
    const char* what;
    std::vector<Change> changes;
    std::optional<SensorFault> fault;  // the only one expected
    char unit = 'F';
    Power power = Power::Rpm;
  };
  const auto flap = [](double clean, std::size_t r) { return r % 10 < 5 ? clean + 350 : clean; };
  const auto ramp = [](double from, double size, std::size_t first, std::size_t rows) {
    return [=](double v, std::size_t r) {
      return v + size * std::min(1.0, static_cast<double>(r - first) / static_cast<double>(rows)) + 0 * from;
    };
  };
  const Case cases[] = {
      {"clean", {}, std::nullopt},
      {"a head jumps 300 °F for three rows", {{8, 200, 202, add(300)}}, SensorFault{"C3", SensorFaultKind::Step, 1194, 1218}},
      {"a flapping EGT is one span", {{1, 100, 149, flap}}, SensorFault{"E2", SensorFaultKind::Step, 594, 870}},
      {"every cylinder steps together (a power change)",
       {{0, 300, 599, add(300)}, {1, 300, 599, add(300)}, {2, 300, 599, add(300)}, {3, 300, 599, add(300)},
        {4, 300, 599, add(300)}, {5, 300, 599, add(300)}},
       std::nullopt},
      {"a step of 150 °F is the engine's", {{2, 300, 300, add(150)}}, std::nullopt},
      {"an EGT without value for two minutes", {{4, 300, 319, set(kNan)}}, SensorFault{"E5", SensorFaultKind::Dropout, 1800, 1914}},
      {"a head reads zero", {{6, 400, 409, set(0)}}, SensorFault{"C1", SensorFaultKind::Dropout, 2400, 2454}},
      {"no value with the engine stopped", {{4, kRows - 15, kRows - 1, set(kNan)}}, std::nullopt},
      {"no value in the engine's first minute", {{4, 20, 25, set(kNan)}}, std::nullopt},
      {"an EGT stuck while the others climb 100 °F",
       {{0, 100, 199, ramp(0, 100, 100, 100)}, {1, 100, 199, ramp(0, 100, 100, 100)},
        {2, 100, 199, ramp(0, 100, 100, 100)}, {3, 100, 199, set(1430)}, {4, 100, 199, ramp(0, 100, 100, 100)},
        {5, 100, 199, ramp(0, 100, 100, 100)}},
       SensorFault{"E4", SensorFaultKind::Stuck, 600, 1194}},
      {"a head at one value while the others hold steady", {{7, 100, 199, set(365)}}, std::nullopt},
      {"a head at one value for four minutes only", {{3, 100, 139, set(1430)},
       {0, 100, 139, ramp(0, 100, 100, 40)}, {1, 100, 139, ramp(0, 100, 100, 40)}, {2, 100, 139, ramp(0, 100, 100, 40)},
       {4, 100, 139, ramp(0, 100, 100, 40)}, {5, 100, 139, ramp(0, 100, 100, 40)}}, std::nullopt},
      {"a head drifting 140 °F above the others", {{9, 200, 299, ramp(0, 140, 200, 30)}},
       SensorFault{"C4", SensorFaultKind::Divergent, 1326, 1794}},
      {"a head 80 °F above the others", {{9, 200, 299, ramp(0, 80, 200, 30)}}, std::nullopt},
      {"an EGT drifting 450 °F below the others to the end", {{5, 200, kRows - 1, ramp(0, -450, 200, 30)}},
       SensorFault{"E6", SensorFaultKind::Divergent, 1380, 3474}},
      {"an EGT 350 °F below the others to the end", {{5, 200, kRows - 1, ramp(0, -350, 200, 30)}}, std::nullopt},
      {"a divergence of four rows (18 s)", {{9, 200, 203, set(520)}}, std::nullopt},
      {"an unused EGT column", {{5, 0, kRows - 1, set(kNan)}}, std::nullopt},
      {"°C: a head jumps 300 °F", {{8, 200, 200, add(300)}}, SensorFault{"C3", SensorFaultKind::Step, 1194, 1206}, 'C'},
      {"°C: a head steps 150 °F", {{8, 200, 200, add(150)}}, std::nullopt, 'C'},
      {"°C: a head 140 °F above the others", {{9, 200, 299, ramp(0, 140, 200, 30)}},
       SensorFault{"C4", SensorFaultKind::Divergent, 1326, 1794}, 'C'},
      {"fuel flow says the engine runs", {{4, 300, 301, set(kNan)}}, SensorFault{"E5", SensorFaultKind::Dropout, 1800, 1806},
       'F', Power::FuelFlowOnly},
      {"fuel flow says the engine is stopped", {{4, kRows - 15, kRows - 1, set(kNan)}}, std::nullopt, 'F',
       Power::FuelFlowOnly},
      {"hot EGTs say the engine runs", {{4, 300, 301, set(kNan)}}, SensorFault{"E5", SensorFaultKind::Dropout, 1800, 1806},
       'F', Power::EgtOnly},
      {"cold EGTs say the engine is stopped", {{4, kRows - 15, kRows - 1, set(kNan)}}, std::nullopt, 'F',
       Power::EgtOnly},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<SensorFault> found = analysis::FindSensorFaults(faultyFlight(c.changes, c.unit, c.power), {});
    std::string all;
    for (const SensorFault& f : found)
      all += f.channel + " " + std::string(SensorFaultKindName(f.kind)) + " " + std::to_string(f.start) + "-" +
             std::to_string(f.end) + "; ";
    ASSERT_EQ(found.size(), c.fault ? 1u : 0u) << all;
    if (c.fault) {
      EXPECT_EQ(found[0].channel, c.fault->channel);
      EXPECT_EQ(SensorFaultKindName(found[0].kind), SensorFaultKindName(c.fault->kind));
      EXPECT_EQ(found[0].start, c.fault->start);
      EXPECT_EQ(found[0].end, c.fault->end);
    }
  }
}

TEST(SensorFaults, FaultAtHoldsWithinTheSpanEndsIncluded) {
  const std::vector<SensorFault> faults = {{"C3", SensorFaultKind::Step, 100, 200},
                                           {"E2", SensorFaultKind::Dropout, 300, 300}};
  struct Case {
    const char* channel;
    double at;
    bool faulty;
  };
  const Case cases[] = {{"C3", 99.9, false}, {"C3", 100, true}, {"C3", 150, true}, {"C3", 200, true},
                        {"C3", 200.1, false}, {"C2", 150, false}, {"E2", 300, true}, {"E2", 306, false}};
  for (const Case& c : cases) EXPECT_EQ(analysis::FaultAt(faults, c.channel, c.at), c.faulty) << c.channel << " " << c.at;
}

TEST(SensorFaults, TheFindingSaysTheChannelAndTheClock) {
  struct Case {
    SensorFault fault;
    const char* text;
  };
  const Case cases[] = {
      {{"C3", SensorFaultKind::Step, 42 * 60, 58 * 60}, "C3 reads like a loose probe from 10:42 to 10:58"},
      {{"E2", SensorFaultKind::Dropout, 42 * 60, 42 * 60 + 20},
       "E2 drops out with the engine running, like a loose probe from 10:42"},
      {{"E4", SensorFaultKind::Stuck, 0, 600}, "E4 is stuck at one value while the other cylinders move from 10:00 to 10:10"},
      {{"C4", SensorFaultKind::Divergent, 0, 60}, "C4 reads far from the other cylinders, like a failing probe from 10:00 to 10:01"},
  };
  for (const Case& c : cases) EXPECT_EQ(analysis::SensorFaultText(c.fault, 10 * 3600), c.text);
}

TEST(SensorFaults, CleanFlightsHaveNone) {
  struct Case {
    const char* what;
    sim::encode::ProfileLayout layout;
    int interval;
    unsigned seed;
  };
  const Case cases[] = {
      {"single, 6 s", sim::encode::ProfileLayout::Single, 6, 1},   {"single, 2 s", sim::encode::ProfileLayout::Single, 2, 2},
      {"extended, 6 s", sim::encode::ProfileLayout::Extended, 6, 3}, {"twin, 6 s", sim::encode::ProfileLayout::Twin, 6, 4},
      {"single, 1 s", sim::encode::ProfileLayout::Single, 1, 5},   {"single, 10 s", sim::encode::ProfileLayout::Single, 10, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sim::encode::ProfileOptions o = shortFlight(c.layout, 60);
    o.interval = c.interval;
    o.seed = c.seed;
    TempDir dir;
    const std::vector<std::string> files = expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
    ASSERT_EQ(files.size(), 1u);
    const flight::FlightRead read = flight::OpenFlight(files[0]);
    ASSERT_TRUE(read.ok()) << read.problem;
    const std::vector<SensorFault> found = analysis::FindSensorFaults(read.value, {});
    EXPECT_TRUE(found.empty()) << found[0].channel << " " << SensorFaultKindName(found[0].kind) << " " << found[0].start;
  }
}

// The engine of faultyFlight with the DIF it records: its EGTs' spread, row by row.
flight::Flight flightWithDif(const std::vector<Change>& changes) {
  std::vector<flight::Channel> channels = engineChannels('F', Power::Rpm);
  channels.push_back(plainChannel("DIF", ChannelKind::Dif, Unit::DegreesF));
  const auto valueOf = [&](std::size_t c, std::size_t r, double t) {
    double v = cleanValue(c, r, t);
    for (const Change& x : changes)
      if (static_cast<std::size_t>(x.channel) == c && r >= x.from && r <= x.to) v = x.value(v, r);
    return v;
  };
  return builtFlight(channels, kRows, 6, [&](std::size_t c, std::size_t r, double t) {
    if (c < 2 * kCylinders + 1) {
      const double v = valueOf(c, r, t);
      return std::isnan(v) ? kNan : static_cast<float>(v);
    }
    double lo = 1e9, hi = -1e9;
    for (std::size_t e = 0; e < kCylinders; ++e) {
      const double v = valueOf(e, r, t);
      if (std::isnan(v)) continue;
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    return hi >= lo ? static_cast<float>(hi - lo) : kNan;
  });
}

// A probe's faults of any kind make one finding per event, which says what
// the probe read and what it set off; a real spread is still its own.
TEST(SensorFaults, EachProbeEventIsOneFindingThatSaysWhatItRead) {
  using analysis::FindingKind;
  struct Case {
    const char* what;
    std::vector<Change> changes;
    std::vector<FindingKind> kinds;     // in time order
    std::vector<const char*> says;      // in the first sensor finding's text
    std::vector<const char*> saysNot;
    double offset = std::nan("");       // of the first sensor finding, within 10 °F; NaN: none
    char simulatedProbe = 0;            // 'E', 'C': the simulator's loose probe of cylinder 3 instead of `changes`
  };
  const auto ramp = [](double size, std::size_t first, std::size_t rows) {
    return [=](double v, std::size_t r) {
      return v + size * std::min(1.0, static_cast<double>(r - first) / static_cast<double>(rows));
    };
  };
  const Case cases[] = {
      {"E3 steps 480 °F down for two minutes while C3 holds", {{2, 200, 219, add(-480)}}, {FindingKind::Sensor},
       {"E3 read ", "°F low for 2 min", "a step", "far from the other cylinders", "while C3 held: the probe or its wiring",
        "it opened DIF to "},
       {}, -492},
      {"E3 steps down twice, 20 minutes apart: two events", {{2, 200, 219, add(-480)}, {2, 400, 419, add(-480)}},
       {FindingKind::Sensor, FindingKind::Sensor}, {"a step"}, {}, -492},
      {"E3 and C3 fall together: no word of a held head", {{2, 200, 219, add(-480)}, {8, 190, 260, ramp(-60, 190, 30)}},
       {FindingKind::Sensor}, {"a step"}, {"held"}, -492},
      {"E3 drops out: it read nothing", {{2, 200, 219, set(kNan)}}, {FindingKind::Sensor},
       {"E3 dropped out with the engine running", "(dropping out)"}, {"opened DIF"}},
      {"the simulator's E3 flapping loose, then open to the end", {}, {FindingKind::Sensor},
       {"E3 dropped out with the engine running", "(dropping out)"}, {}, std::nan(""), 'E'},
      {"the simulator's C3 flapping loose, then open to the end", {}, {FindingKind::Sensor},
       {"C3 dropped out with the engine running"}, {"held"}, std::nan(""), 'C'},
      {"E1 and E6 drift apart: a real spread, no probe", {{0, 200, kRows - 1, ramp(-280, 200, 30)}, {5, 200, kRows - 1, ramp(280, 200, 30)}},
       {FindingKind::Dif}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    flight::Flight flight;
    if (c.simulatedProbe) {
      sim::encode::ProfileOptions o = shortFlight(sim::encode::ProfileLayout::Single, 60);
      o.events.probe = true;
      o.events.probeKind = c.simulatedProbe;
      o.events.probeCylinder = 3;
      TempDir dir;
      const std::vector<std::string> files = expandedFlights(dir, sim::encode::assembleDump(sim::encode::ProfileDump(o, 1)));
      ASSERT_EQ(files.size(), 1u);
      flight::FlightRead read = flight::OpenFlight(files[0]);
      ASSERT_TRUE(read.ok()) << read.problem;
      flight = std::move(read.value);
    } else {
      flight = flightWithDif(c.changes);
    }
    const std::vector<analysis::Finding> all =
        analysis::EvaluateFindings(analysis::DigestFlight(flight), analysis::Limits{});
    std::vector<analysis::Finding> found;  // the egt_cruise of a drifting cylinder is its own rule's
    std::copy_if(all.begin(), all.end(), std::back_inserter(found),
                 [](const analysis::Finding& f) { return f.kind != FindingKind::EgtCruise; });
    std::string texts;
    for (const analysis::Finding& f : found) texts += std::string(analysis::KindName(f.kind)) + ": " + f.text + "; ";
    ASSERT_EQ(found.size(), c.kinds.size()) << texts;
    for (std::size_t i = 0; i < found.size(); ++i) EXPECT_EQ(found[i].kind, c.kinds[i]) << texts;
    const auto sensor = std::find_if(found.begin(), found.end(),
                                     [](const analysis::Finding& f) { return f.kind == FindingKind::Sensor; });
    if (sensor == found.end()) continue;
    for (const char* piece : c.says) EXPECT_NE(sensor->text.find(piece), std::string::npos) << sensor->text;
    for (const char* piece : c.saysNot) EXPECT_EQ(sensor->text.find(piece), std::string::npos) << sensor->text;
    EXPECT_EQ(sensor->hint, "look at the probe or its wiring");
    if (std::isnan(c.offset)) {
      EXPECT_TRUE(std::isnan(sensor->offset)) << sensor->offset;
      EXPECT_TRUE(std::isnan(sensor->peak)) << "a peak the probe did not read: " << sensor->peak;
    } else {
      EXPECT_NEAR(sensor->offset, c.offset, 10);
      // Its peak is what the probe read there: the others' median and the offset.
      EXPECT_NEAR(sensor->peak, 1436 + c.offset, 30);
      EXPECT_GE(sensor->peakAt, sensor->start);
      EXPECT_LE(sensor->peakAt, sensor->end);
    }
  }
}

// The log with one head's column as an unused input reads it (about 12,000 °F
// in every row), or as recorded.
std::string avionicsLog(const char* unusedColumn) {
  const std::string text =
      readFile(std::string(VARNIX_SOURCE_DIR) + "/tests/data/avionics/log_220417_125002_LFQA.csv");
  if (!unusedColumn) return text;
  std::string out;
  std::size_t pos = 0, line = 0, column = 0;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> fields = {""};
    for (std::size_t i = pos; i < end; ++i)
      if (text[i] == ',') fields.emplace_back(); else fields.back() += text[i];
    if (line == 2)
      for (std::size_t f = 0; f < fields.size(); ++f)
        if (fields[f].find(unusedColumn) != std::string::npos) column = f;
    if (line > 2 && column > 0 && column < fields.size()) fields[column] = "12000.0";
    for (std::size_t f = 0; f < fields.size(); ++f) out += (f ? "," : "") + fields[f];
    if (end < text.size()) out += '\n';
    pos = end + 1;
    ++line;
  }
  return out;
}

TEST(SensorFaults, TheAvionicsLogHasNoneAndAnEmptyHeadColumnIsUnused) {
  struct Case {
    const char* what;
    const char* unusedColumn;  // nullptr: the log as recorded
  };
  const Case cases[] = {{"as recorded", nullptr}, {"CHT6 unused", "E1 CHT6"}, {"EGT2 unused", "E1 EGT2"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const flight::FlightRead read = flight::OpenFlightText(avionicsLog(c.unusedColumn));
    ASSERT_TRUE(read.ok()) << read.problem;
    const flight::Flight& f = read.value;
    if (c.unusedColumn) {
      const int column = f.channelIndex(c.unusedColumn);
      ASSERT_GE(column, 0);
      const std::span<const float> values = f.column(static_cast<std::size_t>(column));
      ASSERT_TRUE(std::all_of(values.begin(), values.end(), [](float v) { return std::isnan(v); }));
    }
    const std::vector<SensorFault> found = analysis::FindSensorFaults(f, {});
    EXPECT_TRUE(found.empty()) << found[0].channel << " " << SensorFaultKindName(found[0].kind) << " " << found[0].start;
  }
}

}  // namespace
}  // namespace varnix::test
