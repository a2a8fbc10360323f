// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight_argument.h"

#include "commands.h"
#include "flight/open_flight.h"
#include "flight_json.h"

namespace varnix::cli {

std::optional<flight::Flight> openFlightArgument(const std::string& path, int& exitCode) {
  flight::FlightRead read = flight::OpenFlight(path);
  if (!read.ok()) {
    reportMessage(terminalText(path + ": " + read.problem));
    exitCode = read.line <= 0 ? kFlightCannotOpen : kFlightUnreadable;
    return std::nullopt;
  }
  return std::move(read.value);
}

analysis::AircraftRules readAircraftRules(const std::string& flightPath) {
  analysis::AircraftRules rules = analysis::ReadAircraftRulesOfFlight(flightPath);
  for (const std::string& problem : rules.problemLines()) reportMessage(terminalText(problem));
  return rules;
}

}  // namespace varnix::cli
