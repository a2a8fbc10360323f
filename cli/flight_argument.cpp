// SPDX-License-Identifier: GPL-3.0-or-later
#include "flight_argument.h"

#include "commands.h"
#include "flight/open_flight.h"

namespace varnix::cli {

std::optional<flight::Flight> openFlightArgument(const std::string& path, int& exitCode) {
  flight::FlightRead read = flight::OpenFlight(path);
  if (!read.flight) {
    reportMessage(path + ": " + read.problem);
    exitCode = read.line == 0 ? kFlightCannotOpen : kFlightUnreadable;
  }
  return std::move(read.flight);
}

}  // namespace varnix::cli
