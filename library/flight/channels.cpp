// SPDX-License-Identifier: MIT
#include "flight/channels.h"

namespace varnix::flight {

ChannelGroup GroupOf(ChannelKind kind) {
  switch (kind) {
    case ChannelKind::Egt: return ChannelGroup::Egt;
    case ChannelKind::Tit: return ChannelGroup::Tit;
    case ChannelKind::Cht: return ChannelGroup::Cht;
    case ChannelKind::Dif:
    case ChannelKind::Cld: return ChannelGroup::Spread;
    case ChannelKind::OilTemperature:
    case ChannelKind::OilPressure:
    case ChannelKind::Oat:
    case ChannelKind::Cdt:
    case ChannelKind::Iat: return ChannelGroup::Temperature;
    case ChannelKind::FuelFlow:
    case ChannelKind::FuelUsed:
    case ChannelKind::FuelLevel:
    case ChannelKind::FuelPressure: return ChannelGroup::Fuel;
    case ChannelKind::Rpm:
    case ChannelKind::Map:
    case ChannelKind::PowerPercent: return ChannelGroup::Power;
    case ChannelKind::Battery:
    case ChannelKind::Amps: return ChannelGroup::Electrical;
    case ChannelKind::Mark: return ChannelGroup::Mark;
    case ChannelKind::Altitude:
    case ChannelKind::Airspeed:
    case ChannelKind::GroundSpeed:
    case ChannelKind::VerticalSpeed: return ChannelGroup::Flight;
    case ChannelKind::Latitude:
    case ChannelKind::Longitude: return ChannelGroup::Position;
    case ChannelKind::Other: break;
  }
  return ChannelGroup::Other;
}

ChannelGroup Channel::group() const { return GroupOf(kind); }

bool Channel::isTemperature() const { return unit == Unit::DegreesF || unit == Unit::DegreesC; }

std::string_view UnitText(Unit unit) {
  switch (unit) {
    case Unit::None: break;
    case Unit::DegreesF: return "°F";
    case Unit::DegreesC: return "°C";
    case Unit::DegreesFPerMinute: return "°F/min";
    case Unit::DegreesCPerMinute: return "°C/min";
    case Unit::Psi: return "PSI";
    case Unit::GallonsPerHour: return "GPH";
    case Unit::LitresPerHour: return "LPH";
    case Unit::PoundsPerHour: return "PPH";
    case Unit::KilogramsPerHour: return "KPH";
    case Unit::Gallons: return "gal";
    case Unit::Litres: return "L";
    case Unit::Pounds: return "lb";
    case Unit::Kilograms: return "kg";
    case Unit::Rpm: return "RPM";
    case Unit::InchesHg: return "in Hg";
    case Unit::Percent: return "%";
    case Unit::Volts: return "V";
    case Unit::Amps: return "A";
    case Unit::Feet: return "ft";
    case Unit::Knots: return "kt";
    case Unit::FeetPerMinute: return "fpm";
    case Unit::Degrees: return "°";
  }
  return {};
}

Unit FuelAmountUnit(Unit flow) {
  switch (flow) {
    case Unit::LitresPerHour: return Unit::Litres;
    case Unit::PoundsPerHour: return Unit::Pounds;
    case Unit::KilogramsPerHour: return Unit::Kilograms;
    default: return Unit::Gallons;
  }
}

Unit FuelAmountUnit(const std::vector<Channel>& channels) {
  for (ChannelKind kind : {ChannelKind::FuelUsed, ChannelKind::FuelFlow})
    if (const int c = FindChannel(channels, kind, Engine::Only, 0, true); c >= 0 && channels[c].unit != Unit::None)
      return kind == ChannelKind::FuelUsed ? channels[c].unit : FuelAmountUnit(channels[c].unit);
  return Unit::Gallons;
}

std::string_view EnginePrefix(Engine engine) {
  return engine == Engine::Left ? "L" : engine == Engine::Right ? "R" : "";
}

int FindChannel(const std::vector<Channel>& channels, ChannelKind kind, Engine engine, int cylinder, bool anyEngine) {
  for (std::size_t c = 0; c < channels.size(); ++c) {
    const Channel& ch = channels[c];
    if (ch.kind == kind && (anyEngine || ch.engine == engine) && (cylinder == 0 || ch.cylinder == cylinder))
      return static_cast<int>(c);
  }
  return -1;
}

}  // namespace varnix::flight
