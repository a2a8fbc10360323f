// SPDX-License-Identifier: MIT
// Which chart panels a flight gets and which channels each shows, on the
// left axis and (in a second unit) on the right axis, a third unit on a
// second right axis: one unit an axis. Only channels the flight has; twin
// flights get an EGT and a CHT panel per engine.
#pragma once

#include <string>
#include <vector>

#include "flight/flight.h"

namespace varnix::frontend {

struct PanelPlan {
  std::string key;        // stable name for remembered layouts and --channels: "EGT", "LEGT", "FUEL"
  std::string title;      // e.g. "EGT", "Left CHT", "Fuel"
  std::vector<int> left;  // channel indexes on the left axis
  std::vector<int> right; // on the right axis (another unit)
  std::vector<int> third; // on a second right axis (a third unit; any further units join it)
  std::string leftUnit, rightUnit, thirdUnit;
  int weight = 2;         // share of the height

  bool operator==(const PanelPlan&) const = default;
};

std::vector<PanelPlan> PlanPanels(const flight::Flight& flight);

// The panels whose key or any channel is named in `names` (e.g. "EGT,CHT,OAT");
// all panels when `names` is empty.
std::vector<PanelPlan> SelectPanels(const std::vector<PanelPlan>& panels, const flight::Flight& flight,
                                    const std::vector<std::string>& names);

}  // namespace varnix::frontend
