// SPDX-License-Identifier: MIT
// What a column stands for, decided once when a flight is read: its kind
// (EGT, CHT, fuel flow, altitude...), the engine (twin flights keep theirs
// apart), the cylinder or sensor number and the unit of its values. Every
// consumer works from these records, never from the titles.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace varnix::flight {

enum class ChannelKind {
  Egt,
  Tit,
  Cht,
  Dif,             // the widest EGT spread
  Cld,             // the fastest CHT cooling (negative: cooling)
  OilTemperature,
  OilPressure,
  Oat,
  Cdt,             // compressor discharge temperature
  Iat,             // induction air temperature
  FuelFlow,
  FuelUsed,
  FuelLevel,
  FuelPressure,
  Rpm,
  Map,
  PowerPercent,
  Battery,
  Amps,
  Mark,
  Altitude,
  Airspeed,
  GroundSpeed,
  VerticalSpeed,
  Latitude,
  Longitude,
  Other,
};

// Which chart panel a kind belongs to.
enum class ChannelGroup {
  Egt,          // EGT
  Tit,          // TIT
  Cht,          // CHT
  Spread,       // DIF, CLD
  Temperature,  // oil temperature and pressure, OAT, CDT, IAT
  Fuel,         // flow, used, level, pressure
  Power,        // RPM, MAP, power %
  Electrical,   // battery, amps
  Mark,
  Flight,       // altitude, airspeed, ground speed, vertical speed
  Position,     // latitude, longitude
  Other,
};

enum class Engine { Only, Left, Right };

enum class Unit {
  None,
  DegreesF,
  DegreesC,
  DegreesFPerMinute,
  DegreesCPerMinute,
  Psi,
  GallonsPerHour,
  LitresPerHour,
  PoundsPerHour,
  KilogramsPerHour,
  Gallons,
  Litres,
  Pounds,
  Kilograms,
  Rpm,
  InchesHg,
  Percent,
  Volts,
  Amps,
  Feet,
  Knots,
  FeetPerMinute,
  Degrees,  // of latitude or longitude
};

struct Channel {
  std::string name;                       // the column's title as written: "E3", "LCHT2", "E1 CHT3"
  ChannelKind kind = ChannelKind::Other;
  Engine engine = Engine::Only;
  int cylinder = 0;                       // 1-9 for EGT, CHT and TIT (TIT 1 or 2), else 0
  int sensor = 0;                         // the second battery, amps or fuel tank: 1, 2; else 0
  Unit unit = Unit::None;

  ChannelGroup group() const;
  bool isTemperature() const;             // a unit in degrees F or C
  bool operator==(const Channel&) const = default;
};

ChannelGroup GroupOf(ChannelKind kind);

// The unit as a chart's axis and the tables show it: "°F", "°C/min", "GPH", "in Hg", "V"; "" for none.
std::string_view UnitText(Unit unit);

// The unit a fuel flow adds up to (gallons for gallons per hour...).
Unit FuelAmountUnit(Unit flow);
// The unit of a flight's fuel amounts: its USD channel's, else what its fuel
// flow adds up to; gallons without either.
Unit FuelAmountUnit(const std::vector<Channel>& channels);

// "L", "R" or "".
std::string_view EnginePrefix(Engine engine);

// The index of the first channel of `kind` on `engine` (any engine when
// `anyEngine`) with `cylinder` (any when 0); -1 when the flight has none.
int FindChannel(const std::vector<Channel>& channels, ChannelKind kind, Engine engine = Engine::Only,
                int cylinder = 0, bool anyEngine = false);

}  // namespace varnix::flight
