// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the bundled sample dump (samples/SAMPLE.DAT): model 830, firmware
// 288, user N123AB, three recorded flights and one empty one, with the
// values an engine monitor sees on a short trip (start, climb, cruise,
// descent). Deterministic, so the committed file can be checked.
//   varnix_make_sample OUT.DAT        writes the dump
//   varnix_make_sample --check FILE   exits 1 unless FILE holds these bytes
#include <cstdio>
#include <cstring>
#include <string>

#include "support/dump_builder.h"

namespace {

using varnix::test::DumpPlan;
using varnix::test::FlightPlan;
using varnix::test::RecordBuilder;

// A channel of the single-engine layout: its mask position, high byte
// position (group -1 for none) and value slot.
struct Channel {
  int group, bit, highGroup, highBit;
  int value;  // the value the decoder holds; every channel starts at 240
};

enum { E1, E2, E3, E4, C1, C2, C3, C4, OIL, OAT, BAT, FF, USD, RPM, MAP, HP, MARK, kChannels };

struct Trip {
  Channel ch[kChannels] = {
      {0, 0, 6, 0, 240}, {0, 1, 6, 1, 240}, {0, 2, 6, 2, 240}, {0, 3, 6, 3, 240}, {1, 0, -1, 0, 240},
      {1, 1, -1, 0, 240}, {1, 2, -1, 0, 240}, {1, 3, -1, 0, 240}, {1, 7, -1, 0, 240}, {2, 5, -1, 0, 240},
      {2, 4, -1, 0, 240}, {2, 7, -1, 0, 240}, {2, 6, -1, 0, 240}, {5, 1, 5, 2, 240}, {5, 0, -1, 0, 240},
      {3, 6, -1, 0, 0},   {2, 0, -1, 0, 240}};
  unsigned seed;

  explicit Trip(unsigned s) : seed(s) {}
  int noise(int spread) {  // a small deterministic wobble
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % static_cast<unsigned>(2 * spread + 1)) - spread;
  }
  // One record that moves every channel towards its target value.
  RecordBuilder step(const int (&target)[kChannels], int repeat, int wobble) {
    RecordBuilder r(repeat);
    for (int i = 0; i < kChannels; ++i) {
      Channel& c = ch[i];
      int next = target[i] + (wobble && i != MARK && i != USD && i != HP ? noise(wobble) : 0);
      int diff = next - c.value;
      if (c.highGroup < 0) diff = diff > 255 ? 255 : diff < -255 ? -255 : diff;
      if (diff == 0) continue;
      if (c.highGroup >= 0)
        r.wide(c.group, c.bit, c.highGroup, c.highBit, diff);
      else
        r.set(c.group, c.bit, static_cast<std::uint8_t>(diff < 0 ? -diff : diff), diff < 0);
      c.value += diff;
    }
    return r;
  }
};

constexpr std::uint32_t kPresence = (1u << 0) | (1u << 2) | (1u << 3) | (1u << 4) | (1u << 5) | (1u << 11) |
                                    (1u << 12) | (1u << 13) | (1u << 14) | (1u << 20) | (1u << 25) | (1u << 26) |
                                    (1u << 27) | (1u << 28) | (1u << 30);

FlightPlan tripFlight(std::uint16_t number, int month, int day, int hours, int minutes, unsigned seed, int cruise,
                      bool withMissingProbe) {
  FlightPlan f;
  f.header.flightNumber = number;
  f.header.presence = kPresence;
  f.header.fuelUnit = 0;
  f.header.option = 0x20;
  f.header.interval = 6;
  f.header.day = day;
  f.header.month = month;
  f.header.year = 24;
  f.header.hours = hours;
  f.header.minutes = minutes;

  Trip t(seed);
  //                     E1    E2    E3    E4   C1   C2   C3   C4  OIL OAT  BAT   FF USD   RPM  MAP  HP MARK
  const int start[] = {900, 880, 910, 890, 250, 245, 255, 248, 120, 64, 138, 55, 0, 1000, 145, 12, 0};
  const int climb[] = {1290, 1270, 1310, 1280, 380, 372, 390, 376, 185, 58, 141, 165, 0, 2650, 290, 92, 0};
  const int cruiseV[] = {1420, 1395, 1440, 1405, 345, 338, 352, 341, 195, 41, 141, 98, 0, 2400, 235, 68, 0};
  const int descent[] = {1180, 1160, 1200, 1170, 300, 292, 305, 296, 182, 55, 140, 62, 0, 1900, 170, 35, 0};
  auto withFuel = [&t](const int (&v)[kChannels], int (&out)[kChannels]) {
    for (int i = 0; i < kChannels; ++i) out[i] = v[i];
    out[USD] = t.ch[USD].value + v[FF] / 60;  // tenths of a gallon used
  };
  int target[kChannels];
  withFuel(start, target);
  target[USD] = 0;
  f.records.push_back(t.step(target, 0, 0));
  for (int i = 0; i < 10; ++i) {
    withFuel(climb, target);
    f.records.push_back(t.step(target, 0, 8));
  }
  for (int i = 0; i < cruise; ++i) {
    withFuel(cruiseV, target);
    if (i == cruise / 2) target[MARK] = 1;  // the pilot pressed the mark button
    if (i == cruise / 2 + 1) target[MARK] = 0;
    RecordBuilder r = t.step(target, i % 3 == 0 ? 4 : 0, 3);
    if (withMissingProbe && i == cruise / 3) r.set(0, 2, 0);  // E3 probe open: "NA"
    f.records.push_back(r);
  }
  for (int i = 0; i < 8; ++i) {
    withFuel(descent, target);
    f.records.push_back(t.step(target, 0, 6));
  }
  return f;
}

std::string sampleDump() {
  DumpPlan plan;
  plan.userId = "N123AB";
  plan.model = "830";
  plan.firmware = "288";
  plan.flights.push_back(tripFlight(101, 6, 3, 9, 12, 11u, 30, false));
  plan.flights.push_back(tripFlight(102, 6, 3, 14, 40, 29u, 60, true));
  FlightPlan empty;  // switched on and off without a flight
  empty.header.flightNumber = 103;
  empty.header.presence = kPresence;
  empty.header.interval = 6;
  empty.header.day = 4;
  empty.header.month = 6;
  empty.header.year = 24;
  empty.header.hours = 8;
  plan.flights.push_back(empty);
  plan.flights.push_back(tripFlight(104, 6, 4, 8, 5, 47u, 20, false));
  return varnix::test::assembleDump(plan);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string dump = sampleDump();
  if (argc == 3 && std::strcmp(argv[1], "--check") == 0) {
    if (varnix::test::readFile(argv[2]) == dump) return 0;
    std::fprintf(stderr, "%s differs from the generated sample dump\n", argv[2]);
    return 1;
  }
  if (argc != 2) {
    std::fprintf(stderr, "usage: varnix_make_sample OUT.DAT | --check FILE\n");
    return 2;
  }
  varnix::test::writeFile(argv[1], dump);
  return 0;
}
