// SPDX-License-Identifier: GPL-3.0-or-later
// The flight file a command is given, opened through the one door for
// flight files: any format it reads. When it cannot be read, the problem is
// said on stderr and `exitCode` is set (kFlightCannotOpen when nothing of
// the file could be read, kFlightUnreadable when its text names the line).
#pragma once

#include <optional>
#include <string>

#include "analysis/aircraft_rules.h"
#include "flight/flight.h"

namespace varnix::cli {

std::optional<flight::Flight> openFlightArgument(const std::string& path, int& exitCode);

// The rules of a flight file's aircraft folder (the file's folder), each
// problem of their files said on stderr.
analysis::AircraftRules readAircraftRules(const std::string& flightPath);

}  // namespace varnix::cli
