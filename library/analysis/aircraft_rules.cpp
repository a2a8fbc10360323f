// SPDX-License-Identifier: MIT
#include "analysis/aircraft_rules.h"

#include <algorithm>

#include "platform/fs_path.h"

namespace varnix::analysis {

std::vector<std::string> AircraftRules::problemLines() const {
  std::vector<std::string> lines = LimitsProblemLines(limits);
  for (std::string& line : AcknowledgementsProblemLines(acknowledged)) lines.push_back(std::move(line));
  return lines;
}

std::size_t AircraftRules::acknowledge(std::vector<Finding>& findings, std::string_view today) const {
  ApplyAcknowledgements(findings, acknowledged.acknowledgements, today);
  return static_cast<std::size_t>(
      std::count_if(findings.begin(), findings.end(), [](const Finding& f) { return !f.acknowledged; }));
}

AircraftRules ReadAircraftRules(const std::string& folder) {
  return {ReadLimits(folder), ReadAcknowledgements(folder)};
}

AircraftRules ReadAircraftRulesOfFlight(const std::string& flightPath) {
  std::string folder = platform::utf8Text(platform::utf8Path(flightPath).parent_path());
  return ReadAircraftRules(folder.empty() ? "." : folder);
}

}  // namespace varnix::analysis
