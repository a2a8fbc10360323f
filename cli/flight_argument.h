// SPDX-License-Identifier: GPL-3.0-or-later
// The flight file a command is given, opened through the one door for
// flight files: any format it reads. When it cannot be read, the problem is
// said on stderr and `exitCode` is set (kFlightCannotOpen when nothing of
// the file could be read, kFlightUnreadable when its text names the line).
#pragma once

#include <optional>
#include <string>

#include "analysis/acknowledgements.h"
#include "analysis/findings.h"
#include "analysis/limits.h"
#include "flight/flight.h"

namespace varnix::cli {

std::optional<flight::Flight> openFlightArgument(const std::string& path, int& exitCode);

// What a flight file's aircraft folder (the file's folder) says of its
// findings: its limits and its acknowledged findings, each problem of their
// files said on stderr.
struct AircraftRules {
  flight::LimitsFile limits;
  flight::AcknowledgementsFile acknowledged;
  // Marks the acknowledged findings; the count of those left open.
  std::size_t acknowledge(std::vector<flight::Finding>& findings) const;
};
AircraftRules readAircraftRules(const std::string& flightPath);

}  // namespace varnix::cli
