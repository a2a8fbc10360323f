// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight_argument.h"

#include <algorithm>

#include "commands.h"
#include "flight/open_flight.h"
#include "flight_json.h"
#include "platform/fs_path.h"

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

AircraftRules readAircraftRules(const std::string& flightPath) {
  std::string folder = platform::utf8Text(platform::utf8Path(flightPath).parent_path());
  if (folder.empty()) folder = ".";
  AircraftRules rules{flight::ReadLimits(folder), flight::ReadAcknowledgements(folder)};
  for (const std::string& problem : flight::LimitsProblemLines(rules.limits)) reportMessage(terminalText(problem));
  for (const std::string& problem : flight::AcknowledgementsProblemLines(rules.acknowledged))
    reportMessage(terminalText(problem));
  return rules;
}

std::size_t AircraftRules::acknowledge(std::vector<flight::Finding>& findings) const {
  flight::ApplyAcknowledgements(findings, acknowledged.acknowledgements, flight::LocalDate());
  return static_cast<std::size_t>(
      std::count_if(findings.begin(), findings.end(), [](const flight::Finding& f) { return !f.acknowledged; }));
}

}  // namespace varnix::cli
