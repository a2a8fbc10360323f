// SPDX-License-Identifier: MIT
// An aircraft's rules for its flights' findings, as its folder keeps them:
// its limits and its acknowledged findings, with every problem found reading
// them. Every front end looks them up here, so none judges a flight under
// limits whose problems it has not heard of.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "analysis/acknowledgements.h"
#include "analysis/engine_presets.h"
#include "analysis/findings.h"
#include "analysis/limits.h"

namespace varnix::analysis {

struct AircraftRules {
  LimitsFile limits;
  AcknowledgementsFile acknowledged;

  // "<path> line N: ..." (or "<path>: ..."): the limits' problems, then the
  // acknowledgements'.
  std::vector<std::string> problemLines() const;
  bool hasProblems() const { return !limits.problems.empty() || !acknowledged.problems.empty(); }
  // The limits a flight with these facts is judged under: its engine's
  // preset (the file's engine key, else the log's airframe) and the file.
  FlightLimits limitsOf(const flight::FlightFacts& facts) const { return LimitsOfFlight(limits, facts.airframe); }
  // Marks the findings acknowledged as of `today` ("YYYY-MM-DD"); the count
  // of those left open.
  std::size_t acknowledge(std::vector<Finding>& findings, std::string_view today) const;
  std::size_t acknowledge(std::vector<Finding>& findings) const { return acknowledge(findings, LocalDate()); }
};

// The rules of the aircraft whose folder is `folder`: the defaults and none
// acknowledged where it keeps no files.
AircraftRules ReadAircraftRules(const std::string& folder);
// The rules of the folder that holds the flight file `flightPath` ("." for
// a name without a folder).
AircraftRules ReadAircraftRulesOfFlight(const std::string& flightPath);

}  // namespace varnix::analysis
