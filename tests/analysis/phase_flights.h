// SPDX-License-Identifier: GPL-3.0-or-later
// Flights built in memory for the phase and power tests: a list of legs,
// each holding RPM, MAP, fuel flow and EGT for a number of seconds (the
// values move to the next leg's in one row), and a copy of a flight without
// some of its channels.
#pragma once

#include <cmath>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "flight/flight.h"

namespace varnix::test {

struct Leg {
  double seconds;
  double rpm, map, flow, egt;
};

// One channel and how each row's value is made from its leg.
struct LegChannel {
  flight::Channel channel;
  std::function<double(const Leg&, double t)> value;  // t: seconds from the flight's start
};

inline LegChannel legChannel(std::string name, flight::ChannelKind kind, int cylinder, flight::Unit unit,
                             std::function<double(const Leg&, double)> value) {
  LegChannel c;
  c.channel.name = std::move(name);
  c.channel.kind = kind;
  c.channel.cylinder = cylinder;
  c.channel.unit = unit;
  c.value = std::move(value);
  return c;
}

inline std::vector<LegChannel> engineChannels(bool rpm = true, bool map = true, bool flow = true) {
  using flight::ChannelKind;
  using flight::Unit;
  std::vector<LegChannel> c;
  if (rpm) c.push_back(legChannel("RPM", ChannelKind::Rpm, 0, Unit::Rpm, [](const Leg& l, double) { return l.rpm; }));
  if (map) c.push_back(legChannel("MAP", ChannelKind::Map, 0, Unit::InchesHg, [](const Leg& l, double) { return l.map; }));
  if (flow)
    c.push_back(legChannel("FF", ChannelKind::FuelFlow, 0, Unit::GallonsPerHour, [](const Leg& l, double) { return l.flow; }));
  for (int cyl = 1; cyl <= 4; ++cyl)
    c.push_back(legChannel(std::string(1, 'E').append(std::to_string(cyl)), ChannelKind::Egt, cyl, Unit::DegreesF,
                           [cyl](const Leg& l, double) { return l.egt + 10 * cyl; }));
  c.push_back(legChannel("C1", ChannelKind::Cht, 1, Unit::DegreesF, [](const Leg& l, double) { return 200 + l.egt / 5; }));
  return c;
}

inline flight::Flight legFlight(const std::vector<Leg>& legs, const std::vector<LegChannel>& channels,
                                int interval = 6) {
  flight::Flight f;
  f.facts.interval = interval;
  f.facts.fuelUnit = "GPH";
  for (const LegChannel& c : channels) f.channels.push_back(c.channel);
  double total = 0;
  for (const Leg& l : legs) total += l.seconds;
  f.columns.reset(channels.size(), static_cast<std::size_t>(total / interval) + 1);
  double legStart = 0;
  std::size_t leg = 0;
  for (double t = 0; t < total; t += interval) {
    while (leg + 1 < legs.size() && t >= legStart + legs[leg].seconds) legStart += legs[leg++].seconds;
    f.columns.makeRoom();
    for (std::size_t c = 0; c < channels.size(); ++c)
      f.columns.next(c) = static_cast<float>(channels[c].value(legs[leg], t));
    f.columns.addRow();
    f.seconds.push_back(t);
  }
  return f;
}

// `flight` without the channels `drop` says yes to.
inline flight::Flight withoutChannels(const flight::Flight& flight,
                                      const std::function<bool(const flight::Channel&)>& drop) {
  flight::Flight f;
  f.facts = flight.facts;
  f.seconds = flight.seconds;
  f.startOfDay = flight.startOfDay;
  std::vector<std::size_t> kept;
  for (std::size_t c = 0; c < flight.channels.size(); ++c)
    if (!drop(flight.channels[c])) kept.push_back(c), f.channels.push_back(flight.channels[c]);
  f.columns.reset(kept.size(), flight.rows());
  for (std::size_t r = 0; r < flight.rows(); ++r) {
    f.columns.makeRoom();
    for (std::size_t k = 0; k < kept.size(); ++k) f.columns.next(k) = flight.columns[kept[k]][r];
    f.columns.addRow();
  }
  return f;
}

}  // namespace varnix::test
