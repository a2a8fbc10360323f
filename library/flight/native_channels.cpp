// SPDX-License-Identifier: MIT
#include "flight/native_channels.h"

#include <string_view>

#include "flight/flight.h"

namespace varnix::flight {

namespace {

struct Named {
  std::string_view name;
  ChannelKind kind;
  int sensor;
};

// Channels that carry no engine prefix; RFL and LFL are the right and left
// fuel tanks, not engines.
constexpr Named kPlain[] = {
    {"OIL", ChannelKind::OilTemperature, 0}, {"OILP", ChannelKind::OilPressure, 0}, {"OAT", ChannelKind::Oat, 0},
    {"CDT", ChannelKind::Cdt, 0},            {"IAT", ChannelKind::Iat, 0},          {"DIF", ChannelKind::Dif, 0},
    {"CLD", ChannelKind::Cld, 0},            {"FF", ChannelKind::FuelFlow, 0},      {"USD", ChannelKind::FuelUsed, 0},
    {"LFL", ChannelKind::FuelLevel, 1},      {"RFL", ChannelKind::FuelLevel, 2},    {"F-P", ChannelKind::FuelPressure, 0},
    {"RPM", ChannelKind::Rpm, 0},            {"MAP", ChannelKind::Map, 0},          {"HP", ChannelKind::PowerPercent, 0},
    {"BAT", ChannelKind::Battery, 0},        {"BAT1", ChannelKind::Battery, 1},     {"BAT2", ChannelKind::Battery, 2},
    {"AMPS", ChannelKind::Amps, 0},          {"AMPS2", ChannelKind::Amps, 2},       {"MARK", ChannelKind::Mark, 0},
};

// Names a twin engine's channels carry after their L or R.
constexpr std::string_view kTwinBases[] = {"OIL", "CDT", "DIF", "CLD", "FF", "USD", "RPM", "MAP"};

Channel cylinderChannel(std::string_view name) {
  Channel k;
  if (name.size() == 2 && name[1] >= '1' && name[1] <= '9') {
    if (name[0] == 'E') k.kind = ChannelKind::Egt;
    if (name[0] == 'C') k.kind = ChannelKind::Cht;
    if (name[0] == 'T') k.kind = ChannelKind::Tit;
    if (k.kind != ChannelKind::Other) k.cylinder = name[1] - '0';
  }
  return k;
}

Channel unprefixed(std::string_view name) {
  for (const Named& n : kPlain)
    if (n.name == name) {
      Channel k;
      k.kind = n.kind;
      k.sensor = n.sensor;
      return k;
    }
  return cylinderChannel(name);
}

// The kind, engine and number a title stands for.
Channel ClassifyChannel(std::string_view name) {
  Channel k = unprefixed(name);
  if (k.kind != ChannelKind::Other || name.size() < 2 || (name[0] != 'L' && name[0] != 'R')) return k;
  const std::string_view base = name.substr(1);
  Channel twin = cylinderChannel(base);
  if (twin.kind == ChannelKind::Other)
    for (std::string_view b : kTwinBases)
      if (b == base) twin = unprefixed(base);
  if (twin.kind == ChannelKind::Other) return k;
  twin.engine = name[0] == 'L' ? Engine::Left : Engine::Right;
  return twin;
}

Unit fuelFlowUnit(std::string_view written) {
  if (written == "LPH") return Unit::LitresPerHour;
  if (written == "PPH") return Unit::PoundsPerHour;
  if (written == "KPH") return Unit::KilogramsPerHour;
  return Unit::GallonsPerHour;
}

Unit unitOf(ChannelKind kind, const FlightFacts& facts) {
  const bool celsius = facts.engineUnit == 'C';
  const Unit degrees = celsius ? Unit::DegreesC : Unit::DegreesF;
  const Unit flow = fuelFlowUnit(facts.fuelUnit);
  switch (kind) {
    case ChannelKind::Egt:
    case ChannelKind::Tit:
    case ChannelKind::Cht:
    case ChannelKind::Dif:
    case ChannelKind::OilTemperature:
    case ChannelKind::Cdt:
    case ChannelKind::Iat: return degrees;
    case ChannelKind::Cld: return celsius ? Unit::DegreesCPerMinute : Unit::DegreesFPerMinute;
    case ChannelKind::Oat: return facts.outsideAirUnit == 'C' ? Unit::DegreesC : Unit::DegreesF;
    case ChannelKind::OilPressure:
    case ChannelKind::FuelPressure: return Unit::Psi;
    case ChannelKind::FuelFlow: return facts.fuelUnit.empty() ? Unit::None : flow;
    case ChannelKind::FuelUsed:
    case ChannelKind::FuelLevel: return FuelAmountUnit(flow);
    case ChannelKind::Rpm: return Unit::Rpm;
    case ChannelKind::Map: return Unit::InchesHg;
    case ChannelKind::PowerPercent: return Unit::Percent;
    case ChannelKind::Battery: return Unit::Volts;
    case ChannelKind::Amps: return Unit::Amps;
    default: break;
  }
  return Unit::None;
}

}  // namespace

std::vector<Channel> NativeChannels(const std::vector<std::string>& titles, const FlightFacts& facts) {
  std::vector<Channel> channels;
  channels.reserve(titles.size());
  for (const std::string& title : titles) {
    Channel c = ClassifyChannel(title);
    c.name = title;
    c.unit = unitOf(c.kind, facts);
    channels.push_back(std::move(c));
  }
  return channels;
}

}  // namespace varnix::flight
