// SPDX-License-Identifier: GPL-3.0-or-later
// The typed channels of a flight file's column titles.
#include <gtest/gtest.h>

#include "flight/flight.h"
#include "flight/native_channels.h"

namespace varnix::test {
namespace {

TEST(FlightChannels, KnowsGroupsEnginesAndUnits) {
  struct Case {
    const char* name;
    flight::ChannelGroup group;
    flight::Engine engine;
    int cylinder;
    int sensor;
    const char* unit;
    flight::ChannelKind kind;
  };
  using K = flight::ChannelKind;
  using G = flight::ChannelGroup;
  using E = flight::Engine;
  const Case cases[] = {
      {"E3", G::Egt, E::Only, 3, 0, "°F", K::Egt},
      {"RC6", G::Cht, E::Right, 6, 0, "°F", K::Cht},
      {"LT1", G::Tit, E::Left, 1, 0, "°F", K::Tit},
      {"LFL", G::Fuel, E::Only, 0, 1, "gal", K::FuelLevel},
      {"RFL", G::Fuel, E::Only, 0, 2, "gal", K::FuelLevel},
      {"RFF", G::Fuel, E::Right, 0, 0, "GPH", K::FuelFlow},
      {"OAT", G::Temperature, E::Only, 0, 0, "°C", K::Oat},
      {"OIL", G::Temperature, E::Only, 0, 0, "°F", K::OilTemperature},
      {"OILP", G::Temperature, E::Only, 0, 0, "PSI", K::OilPressure},
      {"MAP", G::Power, E::Only, 0, 0, "in Hg", K::Map},
      {"HP", G::Power, E::Only, 0, 0, "%", K::PowerPercent},
      {"BAT2", G::Electrical, E::Only, 0, 2, "V", K::Battery},
      {"AMPS", G::Electrical, E::Only, 0, 0, "A", K::Amps},
      {"LCLD", G::Spread, E::Left, 0, 0, "°F/min", K::Cld},
      {"E0", G::Other, E::Only, 0, 0, "", K::Other},
      {"LOAT", G::Other, E::Only, 0, 0, "", K::Other},
      {"HOBBS", G::Other, E::Only, 0, 0, "", K::Other},
  };
  flight::FlightFacts facts;
  facts.outsideAirUnit = 'C';
  facts.fuelUnit = "GPH";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const flight::Channel k = flight::NativeChannels({c.name}, facts).at(0);
    EXPECT_EQ(k.name, c.name);
    EXPECT_EQ(k.kind, c.kind);
    EXPECT_EQ(k.group(), c.group);
    EXPECT_EQ(k.engine, c.engine);
    EXPECT_EQ(k.cylinder, c.cylinder);
    EXPECT_EQ(k.sensor, c.sensor);
    EXPECT_EQ(flight::UnitText(k.unit), c.unit);
  }
}

}  // namespace
}  // namespace varnix::test
