// SPDX-License-Identifier: MIT
#include "frontend/chart/panel_plan.h"

#include <algorithm>

#include "flight/channels.h"

namespace varnix::flight {

namespace {

struct Wanted {
  const char* key;
  const char* title;
  std::vector<std::string_view> bases;  // channel bases in the order they are drawn
  int weight;
  bool perEngine;  // twin flights get one panel per engine
};

const std::vector<Wanted>& wantedPanels() {
  static const std::vector<Wanted> panels = {
      {"EGT", "EGT", {"E1", "E2", "E3", "E4", "E5", "E6", "E7", "E8", "E9", "T1", "T2"}, 3, true},
      {"CHT", "CHT", {"C1", "C2", "C3", "C4", "C5", "C6", "C7", "C8", "C9"}, 3, true},
      {"DIF", "DIF and CLD", {"DIF", "CLD"}, 2, false},
      {"TEMP", "Oil and air", {"OIL", "OAT", "CDT", "IAT", "OILP"}, 2, false},
      {"FUEL", "Fuel", {"FF", "USD", "LFL", "RFL", "F-P"}, 2, false},
      {"POWER", "Power", {"RPM", "MAP", "HP"}, 2, false},
      {"ELEC", "Electrical", {"BAT", "BAT1", "BAT2", "AMPS", "AMPS2"}, 2, false},
  };
  return panels;
}

void place(PanelPlan& p, const Flight& flight, int channel) {
  const std::string unit = ChannelUnit(flight.channels[static_cast<std::size_t>(channel)], flight.facts);
  if (p.left.empty() || unit == p.leftUnit) {
    p.leftUnit = unit;
    p.left.push_back(channel);
    return;
  }
  if (p.right.empty()) p.rightUnit = unit;
  else if (p.rightUnit.find(unit) == std::string::npos) p.rightUnit += ", " + unit;
  p.right.push_back(channel);
}

}  // namespace

std::vector<PanelPlan> PlanPanels(const Flight& flight) {
  bool twin = false;
  for (const std::string& name : flight.channels)
    if (ClassifyChannel(name).engine != Engine::Only) twin = true;
  std::vector<PanelPlan> plans;
  for (const Wanted& w : wantedPanels()) {
    const std::vector<Engine> engines =
        twin && w.perEngine ? std::vector<Engine>{Engine::Left, Engine::Right}
                            : std::vector<Engine>{twin ? Engine::Left : Engine::Only};
    for (Engine engine : engines) {
      PanelPlan p;
      p.weight = w.weight;
      p.key = std::string(twin && w.perEngine ? EnginePrefix(engine) : "") + w.key;
      p.title = twin && w.perEngine ? std::string(engine == Engine::Left ? "Left " : "Right ") + w.title : w.title;
      for (std::string_view base : w.bases)
        for (std::size_t c = 0; c < flight.channels.size(); ++c) {
          const ChannelKind k = ClassifyChannel(flight.channels[c]);
          const bool engineFits = w.perEngine && twin ? k.engine == engine : true;
          if (k.base == base && engineFits) place(p, flight, static_cast<int>(c));
        }
      if (!p.left.empty()) plans.push_back(std::move(p));
    }
  }
  return plans;
}

std::vector<PanelPlan> SelectPanels(const std::vector<PanelPlan>& panels, const Flight& flight,
                                    const std::vector<std::string>& names) {
  if (names.empty()) return panels;
  auto named = [&names](const std::string& s) { return std::find(names.begin(), names.end(), s) != names.end(); };
  std::vector<PanelPlan> out;
  for (const PanelPlan& p : panels) {
    bool wanted = named(p.key);
    for (const auto* side : {&p.left, &p.right})
      for (int c : *side) wanted = wanted || named(flight.channels[static_cast<std::size_t>(c)]);
    // "EGT" also picks both engines' EGT panels of a twin.
    if (p.key.size() > 1 && (p.key[0] == 'L' || p.key[0] == 'R') && named(p.key.substr(1))) wanted = true;
    if (wanted) out.push_back(p);
  }
  return out;
}

}  // namespace varnix::flight
