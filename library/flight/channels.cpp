// SPDX-License-Identifier: MIT
#include "flight/channels.h"

namespace varnix::flight {

namespace {

struct Named {
  std::string_view name;
  ChannelGroup group;
};

// Channels that carry no engine prefix; RFL and LFL are the right and left
// fuel tanks, not engines.
constexpr Named kPlain[] = {
    {"OIL", ChannelGroup::Temperature}, {"OILP", ChannelGroup::Temperature}, {"OAT", ChannelGroup::Temperature},
    {"CDT", ChannelGroup::Temperature}, {"IAT", ChannelGroup::Temperature},  {"DIF", ChannelGroup::Spread},
    {"CLD", ChannelGroup::Spread},      {"FF", ChannelGroup::Fuel},          {"USD", ChannelGroup::Fuel},
    {"RFL", ChannelGroup::Fuel},        {"LFL", ChannelGroup::Fuel},         {"F-P", ChannelGroup::Fuel},
    {"RPM", ChannelGroup::Power},       {"MAP", ChannelGroup::Power},        {"HP", ChannelGroup::Power},
    {"BAT", ChannelGroup::Electrical},  {"BAT1", ChannelGroup::Electrical},  {"BAT2", ChannelGroup::Electrical},
    {"AMPS", ChannelGroup::Electrical}, {"AMPS2", ChannelGroup::Electrical}, {"MARK", ChannelGroup::Mark},
};

// Names a twin engine's channels carry after their L or R.
constexpr std::string_view kTwinBases[] = {"OIL", "CDT", "DIF", "CLD", "FF", "USD", "RPM", "MAP"};

ChannelKind cylinderChannel(std::string_view name) {
  ChannelKind k;
  if (name.size() == 2 && name[1] >= '1' && name[1] <= '9') {
    k.cylinder = name[1] - '0';
    k.base = name;
    if (name[0] == 'E') k.group = ChannelGroup::Egt;
    if (name[0] == 'C') k.group = ChannelGroup::Cht;
    if (name[0] == 'T') k.group = ChannelGroup::Tit;
  }
  if (k.group == ChannelGroup::Other) k.cylinder = 0;
  return k;
}

ChannelKind unprefixed(std::string_view name) {
  for (const Named& n : kPlain)
    if (n.name == name) return ChannelKind{n.group, Engine::Only, 0, n.name};
  return cylinderChannel(name);
}

}  // namespace

ChannelKind ClassifyChannel(std::string_view name) {
  ChannelKind k = unprefixed(name);
  if (k.group != ChannelGroup::Other || name.size() < 2 || (name[0] != 'L' && name[0] != 'R')) return k;
  const std::string_view base = name.substr(1);
  ChannelKind twin = cylinderChannel(base);
  if (twin.group == ChannelGroup::Other)
    for (std::string_view b : kTwinBases)
      if (b == base) twin = unprefixed(base);
  if (twin.group == ChannelGroup::Other) return k;
  twin.engine = name[0] == 'L' ? Engine::Left : Engine::Right;
  return twin;
}

std::string_view EnginePrefix(Engine engine) {
  return engine == Engine::Left ? "L" : engine == Engine::Right ? "R" : "";
}

std::string ChannelUnit(std::string_view name, const FlightFacts& facts) {
  const ChannelKind k = ClassifyChannel(name);
  const std::string engineDegrees = facts.engineUnit == 'C' ? "°C" : "°F";
  switch (k.group) {
    case ChannelGroup::Egt:
    case ChannelGroup::Tit:
    case ChannelGroup::Cht:
      return engineDegrees;
    case ChannelGroup::Spread:
      return k.base == "CLD" ? engineDegrees + "/min" : engineDegrees;
    case ChannelGroup::Temperature:
      if (k.base == "OILP") return "PSI";
      if (k.base == "OAT") return facts.outsideAirUnit == 'C' ? "°C" : "°F";
      return engineDegrees;
    case ChannelGroup::Fuel:
      if (k.base == "FF") return facts.fuelUnit;
      if (k.base == "F-P") return "PSI";
      if (facts.fuelUnit == "LPH") return "L";
      if (facts.fuelUnit == "PPH") return "lb";
      if (facts.fuelUnit == "KPH") return "kg";
      return "gal";
    case ChannelGroup::Power:
      if (k.base == "RPM") return "RPM";
      if (k.base == "MAP") return "in Hg";
      return "%";
    case ChannelGroup::Electrical:
      return k.base.substr(0, 3) == "BAT" ? "V" : "A";
    case ChannelGroup::Mark:
    case ChannelGroup::Other:
      break;
  }
  return {};
}

}  // namespace varnix::flight
