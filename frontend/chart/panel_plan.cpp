// SPDX-License-Identifier: MIT
#include "frontend/chart/panel_plan.h"

#include <algorithm>

#include "flight/channels.h"

namespace varnix::frontend {

namespace {

struct Wanted {
  const char* key;
  const char* title;
  std::vector<flight::ChannelKind> kinds;  // in the order they are drawn
  int weight;
  bool perEngine;  // twin flights get one panel per engine
};

const std::vector<Wanted>& wantedPanels() {
  using K = flight::ChannelKind;
  static const std::vector<Wanted> panels = {
      {"EGT", "EGT", {K::Egt, K::Tit}, 3, true},
      {"CHT", "CHT", {K::Cht}, 3, true},
      {"DIF", "DIF and CLD", {K::Dif, K::Cld}, 2, false},
      {"TEMP", "Oil and air", {K::OilTemperature, K::Oat, K::Cdt, K::Iat, K::OilPressure}, 2, false},
      {"FUEL", "Fuel", {K::FuelFlow, K::FuelUsed, K::FuelLevel, K::FuelPressure}, 2, false},
      {"POWER", "Power", {K::Rpm, K::Map, K::PowerPercent}, 2, false},
      {"ELEC", "Electrical", {K::Battery, K::Amps}, 2, false},
      // Avionics logs: altitude (ft) with the speeds (kt) beside it; the
      // vertical speed apart, where its fpm do not squash the knots.
      {"FLIGHT", "Flight", {K::Altitude, K::Airspeed, K::GroundSpeed}, 2, false},
      {"VS", "Vertical speed", {K::VerticalSpeed}, 2, false},
  };
  return panels;
}

void place(PanelPlan& p, const flight::Flight& flight, int channel) {
  const std::string unit(flight::UnitText(flight.channels[static_cast<std::size_t>(channel)].unit));
  if (p.left.empty() || unit == p.leftUnit) {
    p.leftUnit = unit;
    p.left.push_back(channel);
    return;
  }
  if (p.right.empty() || unit == p.rightUnit) {
    p.rightUnit = unit;
    p.right.push_back(channel);
    return;
  }
  if (p.third.empty()) p.thirdUnit = unit;
  else if (p.thirdUnit != unit && p.thirdUnit.find(", " + unit) == std::string::npos &&
           !p.thirdUnit.starts_with(unit + ",")) p.thirdUnit += ", " + unit;
  p.third.push_back(channel);
}

// The channels of `kind` on the panel's engine, by cylinder or sensor number, then in file order.
std::vector<int> channelsOf(const flight::Flight& flight, flight::ChannelKind kind, bool anyEngine, flight::Engine engine) {
  std::vector<int> found;
  for (std::size_t c = 0; c < flight.channels.size(); ++c) {
    const flight::Channel& ch = flight.channels[c];
    if (ch.kind == kind && (anyEngine || ch.engine == engine)) found.push_back(static_cast<int>(c));
  }
  std::stable_sort(found.begin(), found.end(), [&flight](int a, int b) {
    const flight::Channel& x = flight.channels[static_cast<std::size_t>(a)];
    const flight::Channel& y = flight.channels[static_cast<std::size_t>(b)];
    return x.cylinder + x.sensor < y.cylinder + y.sensor;
  });
  return found;
}

}  // namespace

std::vector<PanelPlan> PlanPanels(const flight::Flight& flight) {
  bool twin = false;
  for (const flight::Channel& c : flight.channels)
    if (c.engine != flight::Engine::Only) twin = true;
  std::vector<PanelPlan> plans;
  for (const Wanted& w : wantedPanels()) {
    const std::vector<flight::Engine> engines =
        twin && w.perEngine ? std::vector<flight::Engine>{flight::Engine::Left, flight::Engine::Right}
                            : std::vector<flight::Engine>{twin ? flight::Engine::Left : flight::Engine::Only};
    for (flight::Engine engine : engines) {
      PanelPlan p;
      p.weight = w.weight;
      p.key = std::string(twin && w.perEngine ? flight::EnginePrefix(engine) : "") + w.key;
      p.title = twin && w.perEngine ? std::string(engine == flight::Engine::Left ? "Left " : "Right ") + w.title : w.title;
      for (flight::ChannelKind kind : w.kinds)
        for (int c : channelsOf(flight, kind, !(w.perEngine && twin), engine)) place(p, flight, c);
      if (!p.left.empty()) plans.push_back(std::move(p));
    }
  }
  return plans;
}

std::vector<PanelPlan> SelectPanels(const std::vector<PanelPlan>& panels, const flight::Flight& flight,
                                    const std::vector<std::string>& names) {
  if (names.empty()) return panels;
  auto named = [&names](const std::string& s) { return std::find(names.begin(), names.end(), s) != names.end(); };
  std::vector<PanelPlan> out;
  for (const PanelPlan& p : panels) {
    bool wanted = named(p.key);
    for (const auto* side : {&p.left, &p.right, &p.third})
      for (int c : *side) wanted = wanted || named(flight.channels[static_cast<std::size_t>(c)].name);
    // "EGT" also picks both engines' EGT panels of a twin.
    if (p.key.size() > 1 && (p.key[0] == 'L' || p.key[0] == 'R') && named(p.key.substr(1))) wanted = true;
    if (wanted) out.push_back(p);
  }
  return out;
}

}  // namespace varnix::frontend
