// SPDX-License-Identifier: MIT
// What a column title stands for: its group (which chart panel it belongs
// to), the engine (twin flights prefix L and R), the cylinder number and
// the unit its values are in.
#pragma once

#include <string>
#include <string_view>

#include "flight/flight.h"

namespace varnix::flight {

enum class ChannelGroup {
  Egt,          // E1-E9
  Tit,          // T1, T2
  Cht,          // C1-C9
  Spread,       // DIF, CLD
  Temperature,  // OIL, OILP, OAT, CDT, IAT
  Fuel,         // FF, USD, RFL, LFL, F-P
  Power,        // RPM, MAP, HP
  Electrical,   // BAT, BAT1, BAT2, AMPS, AMPS2
  Mark,
  Other,
};

enum class Engine { Only, Left, Right };

struct ChannelKind {
  ChannelGroup group = ChannelGroup::Other;
  Engine engine = Engine::Only;
  int cylinder = 0;       // 1-9 for E, C and T channels, else 0
  std::string_view base;  // the name without its engine prefix ("E3" for "LE3")
};

ChannelKind ClassifyChannel(std::string_view name);

// The unit of a channel's values, e.g. "°F", "V", "GPH", "in Hg"; "" when it has none.
std::string ChannelUnit(std::string_view name, const FlightFacts& facts);

// "L", "R" or "".
std::string_view EnginePrefix(Engine engine);

}  // namespace varnix::flight
