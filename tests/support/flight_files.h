// SPDX-License-Identifier: GPL-3.0-or-later
// Flight CSV files for the flight tests: dumps of realistic flights
// expanded by the library into a temporary folder, and small flights
// written by hand.
#pragma once

#include <string>
#include <vector>

#include "encoder/flight_profile.h"
#include "support/dump_builder.h"

namespace varnix::test {

// Expands `dump` below `dir` and gives the paths of its flight CSV files in name order.
std::vector<std::string> expandedFlights(const TempDir& dir, const std::string& dump);

// A short flight of the given layout (six cylinders, every channel for Extended).
sim::encode::ProfileOptions shortFlight(sim::encode::ProfileLayout layout, double minutes = 12);

// A flight file written by hand: the header lines of flight 7 of N7, the
// titles, then `rows` (each the text after the time field, e.g. ",1300,NA").
std::string handFlight(const std::string& titles, const std::vector<std::string>& rows, int interval = 6,
                       const std::string& fuel = "F/F GPH");

}  // namespace varnix::test
